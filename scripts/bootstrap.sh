#!/usr/bin/env bash
# Fresh Debian 12 machine: install packages, build, and run the main job on the embedded
# SQLite database (demo data; prints where the result is).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec scripts/main-job.sh
