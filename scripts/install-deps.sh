#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with (idempotent).
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config git ccache python3
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6sql6-sqlite libqt6sql6-psql
  nlohmann-json3-dev libsqlite3-dev libxml2-dev libxml2-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 poppler-utils xvfb xdotool qt6-qpa-plugins qt6-translations-l10n
  postgresql
  clang libfuzzer-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
