#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded
# time (FUZZ_SECONDS, default 60) on a seed corpus of the real voice files.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
# FUZZ_BUILT=1: build-fuzz is already configured (CI builds it once for the
# sanitizer tests too).
if [ "${FUZZ_BUILT:-0}" != 1 ]; then
  rm -rf build-fuzz
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVOXMERE_CORE_ONLY=ON -DVOXMERE_FUZZ=ON >/dev/null
fi
targets=$(cd tests/fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')
cmake --build build-fuzz -j"$(nproc)" --target $targets
corpus=build-fuzz/corpus
for t in $targets; do
  mkdir -p "$corpus/$t"
  cp tests/data/*.syx tests/data/*.mid "$corpus/$t/" 2>/dev/null || true
  # Kept inputs are run first, every time: ones that once failed, and
  # seeds that reach what the voice files alone do not (a bank dump offered).
  cp tests/fuzz/regressions/"$t"/* "$corpus/$t/" 2>/dev/null || true
  if [ "$t" = file_tool_fuzz ]; then
    # Its first byte picks the name's ending: each real file under every ending.
    for f in tests/data/*.syx tests/data/*.mid; do
      for e in 0 1 2 3 4 5 6; do
        { printf "\\$(printf %03o "$e")"; cat "$f"; } > "$corpus/$t/$(basename "$f").$e"
      done
    done
  fi
  echo "=== $t for $seconds s ==="
  status=0
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build-fuzz/tests/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=9000 -print_final_stats=1 \
    "$corpus/$t" > "build-fuzz/$t.log" 2>&1 || status=$?
  grep -E 'stat::number_of_executed_units' "build-fuzz/$t.log" || true
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: |runtime error' "build-fuzz/$t.log"; then
    tail -n 60 "build-fuzz/$t.log"
    echo "$t failed"
    exit 1
  fi
done
