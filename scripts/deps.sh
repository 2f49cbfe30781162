#!/usr/bin/env bash
# Installs the Debian 12 packages VOXMERE builds, runs and tests with,
# when any is missing. Needs root (or sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n librtmidi-dev librtaudio-dev libasound2-dev libsndfile1-dev libfftw3-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libsqlite3-dev
  fonts-noto-cjk fonts-dejavu-core fonts-dejavu-extra
  jackd2 libjack-jackd2-dev xvfb xauth
  clang libclang-rt-14-dev clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
# jackd2 asks about real-time priority; take the default.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
