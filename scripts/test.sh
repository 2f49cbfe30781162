#!/usr/bin/env bash
# Installs what is missing, builds from nothing and runs the whole test
# suite: unit tests, offscreen window tests, and end-to-end tests over a
# JACK dummy server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
rm -rf build
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j2 --timeout 300
