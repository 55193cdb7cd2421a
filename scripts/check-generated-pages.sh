#!/usr/bin/env bash
# The form files, print layouts and page drawings that scripts/make-*.py generate are the ones
# checked in: each script writes them afresh into a temporary folder, and every file it writes
# must equal the file of the same path in the tree. A difference means a generated file was
# edited by hand, or a script changed without being run; it is printed as a diff.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mktemp -d "${TMPDIR:-/tmp}/citforms-generated.XXXXXX")
trap 'rm -rf "$out"' EXIT
status=0
for script in scripts/make-*.py; do
  python3 "$script" "$out" || { echo "$script failed" >&2; status=1; }
done
count=0
while IFS= read -r -d '' file; do
  path=${file#"$out"/}
  count=$((count + 1))
  if ! diff -u "$path" "$file" >&2; then
    echo "$path differs from what its script makes" >&2
    status=1
  fi
done < <(find "$out" -type f -print0)
if [ "$count" -eq 0 ]; then
  echo "the scripts wrote no files" >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "$count generated files as checked in"
exit "$status"
