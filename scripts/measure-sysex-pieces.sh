#!/usr/bin/env bash
# A bank (4104 bytes) sent by SendLongMessage in pieces of 32 bytes, over
# JACK into voxmere-dx7sim with --cable --input-limit 64: how long the send
# takes and when the sim has taken the whole bank, against the cable's own
# 1.313 s. Also the same bank sent at once, which the buffer cuts short.
# Runs the end-to-end test five times (RUNS=n for another count); uses the
# build in build/ (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target e2e_tests voxmere-dx7sim >/dev/null
build/tests/e2e/e2e_tests --gtest_filter='BankOverJack.*' --gtest_repeat="${RUNS:-5}" 2>/dev/null |
  grep -E '^bank of|^\[  (FAILED|PASSED)'
