#!/usr/bin/env bash
# Installs what is missing, builds from nothing and runs the whole test
# suite: unit tests, offscreen window tests, and end-to-end tests over a
# JACK dummy server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
rm -rf build
start=$(date +%s)
bash scripts/build.sh
echo "--- build: $(( $(date +%s) - start )) s"
start=$(date +%s)
# A failing test runs once more: the end-to-end tests time MIDI over a JACK
# dummy server, whose periods now and then come late on a shared machine.
# A fault that shows every time still fails the run.
ctest --test-dir build --output-on-failure -j2 --timeout 300 --repeat until-pass:2
echo "--- tests: $(( $(date +%s) - start )) s"
