#!/usr/bin/env bash
# Runs one golden case (docs/golden-tests.md) and compares its transcript with the case's
# expectation.
#
#   run_case.sh TABRIX CASE
#
# CITFORMS_TEST_ENGINE=postgresql runs it in a schema of its own on the server named by
# CITFORMS_TEST_POSTGRES (skipped, status 77, without one). CITFORMS_GOLDEN_UPDATE=1 writes
# the transcript into the case as its new expectation (on SQLite only, the reference engine).
# CITFORMS_GOLDEN_DEMO names the folder demo_fixture.sh built the demo into (and, on
# PostgreSQL, CITFORMS_GOLDEN_DEMO_DATABASE its database): a case starting from `demo` takes
# a copy of it; without it the case builds its own.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: run_case.sh TABRIX CASE" >&2
  exit 2
fi
tabrix=$(readlink -f "$1")
case_file=$(readlink -f "$2")
engine=${CITFORMS_TEST_ENGINE:-sqlite}

# --- the case file: description, then "# fixture", "# run" and "# expect" in that order
fixture=()
session=()
commands=()
expected=""
section=""
while IFS= read -r line || [ -n "$line" ]; do
  if [ "$section" = expect ]; then
    expected+="$line"$'\n'
    continue
  fi
  case "$line" in
    "# fixture") [ -z "$section" ] && section=fixture || section=bad ;;
    "# session") [ "$section" = fixture ] && section=session || section=bad ;;
    "# run") [ "$section" = fixture ] || [ "$section" = session ] && section=run || section=bad ;;
    "# expect") [ "$section" = run ] && section=expect || section=bad ;;
    *)
      [[ -z "${line//[[:space:]]/}" ]] && continue
      case "$section" in
        fixture) fixture+=("$line") ;;
        session) session+=("$line") ;;
        run) commands+=("$line") ;;
      esac
      ;;
  esac
  if [ "$section" = bad ]; then
    echo "$case_file: the sections must be '# fixture', ['# session',] '# run', '# expect'," \
      "in that order" >&2
    exit 2
  fi
done <"$case_file"
if [ "$section" != expect ] || [ ${#fixture[@]} -eq 0 ] || [ ${#commands[@]} -eq 0 ]; then
  echo "$case_file: needs '# fixture' (a database, then SQL), '# run' and '# expect'" >&2
  exit 2
fi

# --- a folder and a database of the case's own
work=$(mktemp -d "${TMPDIR:-/tmp}/golden.XXXXXX") || exit 1
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
schema=""
database=""
demo_copy=""
if [ "${fixture[0]}" = demo ] && [ -d "${CITFORMS_GOLDEN_DEMO:-}" ]; then
  demo_copy=$CITFORMS_GOLDEN_DEMO
fi
if [ "$engine" = postgresql ]; then
  server=${CITFORMS_TEST_POSTGRES:-}
  if [ -z "$server" ]; then
    echo "CITFORMS_TEST_ENGINE=postgresql without CITFORMS_TEST_POSTGRES: skipped"
    rm -rf "$work"
    exit 77
  fi
  base=${server%%\?*}
  if [ -n "$demo_copy" ] && [ -n "${CITFORMS_GOLDEN_DEMO_DATABASE:-}" ]; then
    # A database of the case's own, copied from the one the demo was built in.
    database="golden_$$_${RANDOM}${RANDOM}"
    if ! psql -X -q -v ON_ERROR_STOP=1 "$base" \
      -c "CREATE DATABASE $database TEMPLATE $CITFORMS_GOLDEN_DEMO_DATABASE" >/dev/null; then
      rm -rf "$work"
      exit 1
    fi
    query=""
    [[ "$server" == *\?* ]] && query="&${server#*\?}"
    db="${base%/*}/$database?schema=golden$query"
  else
    demo_copy=""
    schema="golden_$$_${RANDOM}${RANDOM}"
    if [[ "$server" == *\?* ]]; then db="$server&schema=$schema"; else db="$server?schema=$schema"; fi
  fi
else
  db=$work/golden.db
fi
cleanup() {
  if [ -n "$schema" ]; then
    psql -X -q "$base" -c "DROP SCHEMA IF EXISTS $schema CASCADE" >/dev/null 2>&1
  fi
  if [ -n "$database" ]; then
    psql -X -q "$base" -c "DROP DATABASE IF EXISTS $database WITH (FORCE)" >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT

run_tabrix() {
  (cd "$work" && "$tabrix" --db "$db" "$@" >"$work/out" 2>"$work/err")
}

# --- a session script, when the case has one: session.script in the case's folder
if [ ${#session[@]} -gt 0 ]; then printf '%s\n' "${session[@]}" >"$work/session.script"; fi
# --- the fixture: a database, then one SQL statement a line
case "${fixture[0]}" in
  demo) init=(init-db --demo) ;;
  "demo --companies "[0-9]*) init=(init-db --demo --companies "${fixture[0]#demo --companies }") ;;
  empty) init=(init-db) ;;
  *)
    echo "$case_file: the fixture starts with 'demo' or 'empty', not '${fixture[0]}'" >&2
    exit 2
    ;;
esac
copy_demo() {
  local item
  for item in data config; do
    if [ -e "$demo_copy/$item" ]; then cp -a "$demo_copy/$item" "$work/" || return 1; fi
  done
  if [ "$engine" != postgresql ]; then cp "$demo_copy/golden.db" "$db" || return 1; fi
  : >"$work/err"
}
for ((i = 0; i < ${#fixture[@]}; i++)); do
  if [ "$i" -gt 0 ] && [[ "${fixture[$i]}" == "kinds "* ]]; then
    # Declaration kinds added as data: a folder of tests/data, for every command after it.
    export CITFORMS_KINDS_DIR
    CITFORMS_KINDS_DIR=$(readlink -f "$(dirname "$0")/../data/${fixture[$i]#kinds }")
    continue
  fi
  if [ "$i" -eq 0 ] && [ -n "$demo_copy" ]; then
    copy_demo
  elif [ "$i" -eq 0 ]; then
    run_tabrix "${init[@]}"
  else
    run_tabrix sql "${fixture[$i]}"
  fi
  status=$?
  if [ "$status" -ne 0 ]; then
    echo "fixture line failed (status $status): ${fixture[$i]}" >&2
    cat "$work/err" >&2
    exit 1
  fi
done

# --- the commands, each written to the transcript with its output and status
id=""
transcript=$work/transcript
: >"$transcript"
for command in "${commands[@]}"; do
  printf '$ %s\n' "$command" >>"$transcript"
  ID=$id
  eval "args=($command)" || exit 2
  if [ "${args[0]}" = cat ]; then
    # A text file a command wrote (a batch's summary.csv).
    cat "$work/${args[1]}" >>"$transcript" 2>"$work/err"
    status=$?
  elif [ "${args[0]}" = pdftext ]; then
    # The text of a written PDF, page by page, laid out as printed (trailing blanks cut);
    # with a list of pages ("1,2,13") the page count and those pages only.
    pdftotext -layout "$work/${args[1]}" - 2>"$work/err" |
      awk -v pages="${args[2]:-}" 'BEGIN { RS = "\f"; n = split(pages, p, ","); for (i = 1; i <= n; ++i) want[p[i]] = 1 }
        { if (n == 0 || NR in want) printf "[page %d]\n%s", NR, $0; total = NR }
        END { if (n > 0) printf "[pages %d]\n", total - ($0 == "" ? 1 : 0) }' |
      sed 's/[[:space:]]*$//' >>"$transcript"
    status=${PIPESTATUS[0]}
  elif [ "${args[0]}" = pdfmarks ]; then
    # The form mark each page ends with ("CIT-8(24) 1/4"), one line a page, blanks squeezed:
    # which forms a PDF holds, in order.
    pdftotext -layout "$work/${args[1]}" - 2>"$work/err" |
      awk 'BEGIN { RS = "\f" }
        { n = split($0, line, "\n"); mark = ""
          for (i = n; i > 0; --i) if (line[i] ~ /[^[:space:]]/) { mark = line[i]; break }
          if (mark == "" && n <= 1) next
          gsub(/[[:space:]]+/, " ", mark); sub(/^ /, "", mark); sub(/ $/, "", mark)
          printf "[page %d] %s\n", NR, mark }' >>"$transcript"
    status=${PIPESTATUS[0]}
  else
    run_tabrix "${args[@]}"
    status=$?
    cat "$work/out" >>"$transcript"
    case "${args[0]}" in
      new-cit8 | new-cit2 | correct) [ "$status" -eq 0 ] && id=$(tail -n 1 "$work/out") ;;
      company | fiscal-year) [ "$status" -eq 0 ] && [ "${args[1]}" = add ] && id=$(tail -n 1 "$work/out") ;;
    esac
  fi
  sed 's/^/[stderr] /' "$work/err" >>"$transcript"
  echo "[exit $status]" >>"$transcript"
done

# --- what varies from run to run: today's date (as a day number, counted from 28 December
# 1800, and as printed), the case's folder and database, times of day
normalise() {
  local sed_args=() day offset=61730 # the day number of 1 January 1970
  for day in today yesterday; do
    local d number
    d=$(date -d "$day" +%F)
    number=$(($(date -u -d "$d" +%s) / 86400 + offset))
    sed_args+=(-e "s/\\b$number\\b/<TODAY>/g")
    sed_args+=(-e "s/\\b$(date -d "$d" +%d-%m-%Y)\\b/<TODAY>/g")
    sed_args+=(-e "s/\\b$(date -d "$d" +%d.%m.%Y)\\b/<TODAY>/g")
    sed_args+=(-e "s/\\b$d\\b/<TODAY>/g")
  done
  local masked
  masked=$(sed -E 's#(://[^:/@]*):[^@]*@#\1:***@#' <<<"$db")
  sed "${sed_args[@]}" -e "s#$(sed 's/[#.*[\^$]/\\&/g' <<<"$db")#<DB>#g" \
    -e "s#$(sed 's/[#.*[\^$]/\\&/g' <<<"$masked")#<DB>#g" \
    -e "s#$(sed 's/[#.*[\^$]/\\&/g' <<<"$work")#<TMP>#g" \
    -e 's/\b[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\b/<TIME>/g' \
    -e 's/<TODAY> [0-2][0-9]:[0-5][0-9]\b/<TODAY> <TIME>/g'
}
normalise <"$transcript" >"$work/actual"
printf '%s' "$expected" >"$work/expected"

if [ "${CITFORMS_GOLDEN_UPDATE:-}" = 1 ] && [ "$engine" != postgresql ]; then
  if ! cmp -s "$work/expected" "$work/actual"; then
    awk '{ print } /^# expect$/ { exit }' "$case_file" >"$work/case"
    cat "$work/actual" >>"$work/case"
    cat "$work/case" >"$case_file"
    echo "rewrote the expectation of $case_file"
  fi
  exit 0
fi
if ! diff -u --label "expected ($case_file)" --label "actual ($engine)" \
  "$work/expected" "$work/actual"; then
  echo "golden case $(basename "$case_file") differs on $engine;" \
    "CITFORMS_GOLDEN_UPDATE=1 ctest -R golden rewrites the expectation (docs/golden-tests.md)"
  exit 1
fi
