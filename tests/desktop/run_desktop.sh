#!/usr/bin/env bash
# Runs one desktop test: tabrix on a private X server (Xvfb), driven with real key and mouse
# events (xdotool), photographed from the server (screen_grab). The test file is a bash script
# using the helpers below (docs/desktop-tests.md).
#
#   run_desktop.sh TABRIX SCREEN_GRAB TEST
#
# CITFORMS_SCREENSHOT_DIR=DIR keeps the screenshots there (docs/screenshots); otherwise they
# go to the test's own folder, removed at the end. Exit 77 (skipped) without Xvfb or xdotool.
set -uo pipefail
if [ $# -ne 3 ]; then
  echo "usage: run_desktop.sh TABRIX SCREEN_GRAB TEST" >&2
  exit 2
fi
for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "run_desktop.sh: $tool is not installed (scripts/install-deps.sh installs it)" >&2
    exit 77
  fi
done

tabrix=$(readlink -f "$1")
grab=$(readlink -f "$2")
test_file=$(readlink -f "$3")
work=$(mktemp -d "${TMPDIR:-/tmp}/desktop.XXXXXX") || exit 1
shots=${CITFORMS_SCREENSHOT_DIR:-$work/shots}
mkdir -p "$shots" "$work/xdg"
chmod 700 "$work/xdg"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/xdg
export QT_QPA_PLATFORM=xcb HOME=$work
db=$work/desktop.db
tabrix_pid=""
xvfb_pid=""
pg_schema=""
cleanup() {
  [ -n "$tabrix_pid" ] && kill "$tabrix_pid" 2>/dev/null
  [ -n "${second_pid:-}" ] && kill "$second_pid" 2>/dev/null
  [ -n "$pg_schema" ] && psql -X -q "$pg_server" -c "DROP SCHEMA IF EXISTS $pg_schema CASCADE" >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A server of our own, big enough for every window at its natural size, on a display number
# nobody holds; it counts as started once a client can talk to it.
for _ in $(seq 20); do
  n=$((100 + RANDOM % 800))
  [ -e "/tmp/.X$n-lock" ] && continue
  # -noreset: without it the server resets when its last client leaves (the check below),
  # refusing connections for a moment.
  Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && break 2
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.2
  done
  kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
if [ -z "$xvfb_pid" ]; then
  echo "FAILED: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$n"

fail() {
  echo "FAILED: $*" >&2
  if [ -n "$tabrix_pid" ]; then
    echo "--- windows on the screen:" >&2
    xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null |
      grep -v '^Qt Selection\|^tabrix$' >&2
    local kept=${CITFORMS_SCREENSHOT_DIR:-$work}/at-failure.png
    "$grab" "$kept" 2>/dev/null && echo "(the screen: $kept)" >&2
  fi
  [ -f "$work/out" ] && { echo "--- tabrix stdout:" >&2; cat "$work/out" >&2; }
  [ -f "$work/err" ] && { echo "--- tabrix stderr:" >&2; cat "$work/err" >&2; }
  [ -s "$work/xvfb.log" ] && { echo "--- Xvfb ($DISPLAY):" >&2; cat "$work/xvfb.log" >&2; }
  # Called in a command substitution, the subshell's exit would not end the test.
  if [ "$BASHPID" != "$$" ]; then
    touch "$work/failed"
    kill -TERM $$
  fi
  exit 1
}

# The test's database becomes a schema of its own on the PostgreSQL server of
# CITFORMS_TEST_POSTGRES, with the demo data (skipped without a server).
use_postgres() {
  local server=${CITFORMS_TEST_POSTGRES:-}
  if [ -z "$server" ]; then
    echo "CITFORMS_TEST_POSTGRES is not set: skipped"
    exit 77
  fi
  pg_schema="desktop_$$_${RANDOM}"
  pg_server=${server%%\?*}
  if [[ "$server" == *\?* ]]; then db="$server&schema=$pg_schema"; else db="$server?schema=$pg_schema"; fi
  tx init-db --demo >/dev/null || fail "init-db on PostgreSQL"
}
# tabrix on the test's database, waiting for it to end.
tx() { "$tabrix" --db "$db" "$@"; }
# tabrix in the background (its windows on the server); `finish` waits for it.
start() {
  "$tabrix" --db "$db" "$@" >"$work/out" 2>"$work/err" &
  tabrix_pid=$!
}
# Waits for tabrix to end; its exit status must be $1 (default 0).
finish() {
  local want=${1:-0} waited=0
  while kill -0 "$tabrix_pid" 2>/dev/null; do
    sleep 0.2
    waited=$((waited + 1))
    [ $waited -gt 300 ] && fail "tabrix did not end"
  done
  wait "$tabrix_pid"
  local status=$?
  tabrix_pid=""
  [ "$status" -eq "$want" ] || fail "tabrix ended with $status, not $want"
}
# xdotool takes a title as a regular expression: $1 matched exactly (with $2 "prefix", at
# its start).
title_pattern() {
  local escaped
  escaped=$(printf '%s' "$1" | sed 's/[][\.*^$()+?{}|]/\\&/g')
  if [ "${2:-}" = prefix ]; then printf '^%s' "$escaped"; else printf '^%s$' "$escaped"; fi
}
# The id of the window found by the xdotool search arguments "$@" once it is shown (a minute
# at most), with the focus: keys go to the window the server says has it.
focused() {
  local id="" tries=0
  while [ -z "$id" ]; do
    id=$(xdotool search --all --onlyvisible "$@" 2>/dev/null | tail -1)
    [ -n "$id" ] && break
    tries=$((tries + 1))
    [ $tries -gt 300 ] && fail "no window: $*"
    sleep 0.2
  done
  tries=0
  until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ]; do
    xdotool windowfocus "$id" 2>/dev/null
    tries=$((tries + 1))
    [ $tries -gt 100 ] && fail "the window did not get the focus: $*"
    sleep 0.2
  done
  # Another window may still take the focus back as its own dialog closes: it must stay.
  sleep 0.4
  if [ "$(xdotool getwindowfocus 2>/dev/null)" != "$id" ]; then
    xdotool windowfocus --sync "$id" 2>/dev/null
    sleep 0.4
  fi
  echo "$id"
}
# The window titled exactly $1.
window() { focused --name "$(title_pattern "$1")"; }
# The window of process $1 whose title starts with $2 (two instances show the same titles).
window_of() { focused --pid "$1" --name "$(title_pattern "$2" prefix)"; }
# Waits until no window titled $1 is shown.
gone() {
  local tries=0
  while xdotool search --onlyvisible --name "$(title_pattern "$1")" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -gt 100 ] && fail "window '$1' stayed open"
    sleep 0.2
  done
}
# Real key events through the server (XTEST), to the window with the focus.
keys() {
  xdotool key --delay 60 "$@"
  sleep 0.4
}
typed() {
  xdotool type --delay 40 "$1"
  sleep 0.3
}
# A click at x,y inside window $1.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.5
}
# The window $2 (default: the whole screen) as $shots/$1.png.
shot() {
  "$grab" "$shots/$1.png" ${2:+"$2"} 2>/dev/null || fail "no screenshot $1"
}
# One value of the database.
value() { tx sql "$1" | head -1; }
expect_eq() { [ "$1" = "$2" ] || fail "${3:-value}: '$1', expected '$2'"; }
# A field of a stored declaration, as stored.
field() {
  value "select wartosc_pola from DEKLARACJE_POZ where id_deklaracje_nag = $1 and nr_pola = '$2' and nr_zalacznika = ${3:-0}"
}

tx init-db --demo >/dev/null || fail "init-db"
# shellcheck source=/dev/null
source "$test_file"
[ -e "$work/failed" ] && exit 1
echo "passed: $(basename "$test_file")"
