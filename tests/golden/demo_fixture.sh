#!/usr/bin/env bash
# Builds the demo database once for every golden case of a run that starts from `demo`
# (docs/golden-tests.md): run_case.sh copies it instead of running `tabrix init-db --demo`
# again, which cost about a second a case.
#
#   demo_fixture.sh TABRIX ENGINE FOLDER [DATABASE]     build it
#   demo_fixture.sh --drop ENGINE FOLDER [DATABASE]     remove it
#
# FOLDER receives what the command left in a case's folder: the configuration and data
# folders and, on SQLite, the database file golden.db. On PostgreSQL the demo is built in
# schema "golden" of DATABASE, a database of its own on the server named by
# CITFORMS_TEST_POSTGRES; each case gets a copy of it (CREATE DATABASE ... TEMPLATE), a file
# copy on the server. Without a server there is nothing to build: those cases are skipped.
# Where no folder was made (no server, or a role that may not create databases) the cases
# build their own demo as they did before.
set -uo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: demo_fixture.sh TABRIX|--drop ENGINE FOLDER [DATABASE]" >&2
  exit 2
fi
engine=$2
folder=$3
database=${4:-}
server=${CITFORMS_TEST_POSTGRES:-}
base=${server%%\?*}
if [ "$engine" = postgresql ] && [ -z "$database" ]; then
  echo "demo_fixture.sh: PostgreSQL needs the name of the database to build" >&2
  exit 2
fi

psql_server() {
  PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 "$base" "$@"
}
drop() {
  rm -rf "$folder"
  if [ "$engine" = postgresql ] && [ -n "$server" ]; then
    psql_server -c "DROP DATABASE IF EXISTS $database WITH (FORCE)"
  fi
}

if [ "$1" = --drop ]; then
  drop
  exit 0
fi

tabrix=$(readlink -f "$1")
drop
work=$(mktemp -d "${TMPDIR:-/tmp}/golden-demo.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY

if [ "$engine" = postgresql ]; then
  if [ -z "$server" ]; then
    echo "no CITFORMS_TEST_POSTGRES: no PostgreSQL demo to build"
    exit 0
  fi
  # A role that may not create databases leaves the cases to build their own demo.
  if ! psql_server -c "CREATE DATABASE $database"; then
    echo "cannot create a database on the server: each case builds its own demo"
    exit 0
  fi
  query=""
  [[ "$server" == *\?* ]] && query="&${server#*\?}"
  db="${base%/*}/$database?schema=golden$query"
else
  db=$work/golden.db
fi
if ! (cd "$work" && "$tabrix" --db "$db" init-db --demo); then
  echo "tabrix init-db --demo failed" >&2
  exit 1
fi
# Complete or absent: the cases take the folder as the sign that the demo is there.
mkdir -p "$folder.new" || exit 1
for item in golden.db data config; do
  if [ -e "$work/$item" ]; then cp -a "$work/$item" "$folder.new/" || exit 1; fi
done
mv "$folder.new" "$folder"
