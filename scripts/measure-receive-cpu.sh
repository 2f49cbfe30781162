#!/usr/bin/env bash
# Processor time of a 16 s standard bank receive from the built-in virtual
# DX7, in the program's windows offscreen: once with the waits sleeping in
# the event loop (the program), once with a host whose waits are plain
# passes back to back (how every wait ran before they slept). The boxes
# are answered with their default button. Uses the
# build in build/ (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j"$(nproc)" --target receive_cpu init_voice_file >/dev/null
build/receive_cpu 2>/dev/null
build/receive_cpu --spin 2>/dev/null
