#!/usr/bin/env bash
# Runs every libFuzzer target (AddressSanitizer + UndefinedBehaviorSanitizer, built by the
# `fuzz` preset with clang) for SECONDS each (default 60), one after the other, from its seed
# corpus in tests/fuzz/corpus/<target>/. New inputs go to build-fuzz/corpus/<target>/, so the
# checked-in seeds stay as they are; a finding is written to build-fuzz/findings/ and ends the
# script with status 1 (turn it into a regular test, fix it, add it to the seeds).
#
#   scripts/fuzz.sh          # a minute per target
#   scripts/fuzz.sh 3        # CI: a few seconds per target
#   FUZZ_TARGETS="jpk_kr_fuzz" FUZZ_RUNS=1000000 scripts/fuzz.sh 0   # a run count instead
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${FUZZ_JOBS:-$(nproc)}" >/dev/null
targets=${FUZZ_TARGETS:-$(cd tests/fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')}
mkdir -p build-fuzz/findings
status=0
for t in $targets; do
  work=build-fuzz/corpus/$t
  mkdir -p "$work"
  limit=(-max_total_time="$seconds")
  [ "$seconds" = 0 ] && limit=(-runs="${FUZZ_RUNS:-1000000}")
  log=build-fuzz/$t.log
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "build-fuzz/bin/$t" "${limit[@]}" -max_len=65536 \
       -artifact_prefix=build-fuzz/findings/"$t"- -print_final_stats=1 \
       "$work" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    echo "$t: ${runs:-?} runs, no finding"
  else
    echo "$t: FINDING (see $log and build-fuzz/findings/)"
    tail -30 "$log"
    status=1
  fi
done
exit $status
