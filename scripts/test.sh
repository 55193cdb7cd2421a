#!/usr/bin/env bash
# The whole test suite: the warnings-as-errors build and the AddressSanitizer +
# UndefinedBehaviorSanitizer build, each with every CTest test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp" ctest --preset asan -j "$jobs"
