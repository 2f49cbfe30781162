#!/usr/bin/env bash
# Builds and runs the benchmarks (Release, build-bench), then measures the
# GUI program (build/program/voxmere, built by scripts/build.sh): start-up
# to the start-up guide (median of 10) and resident memory with the editor
# open. Figures go to stdout; BENCHMARKS.md says how to read them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXMERE_BENCH=ON -DVOXMERE_CORE_ONLY=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target voxmere_bench
build-bench/tests/bench/voxmere_bench --benchmark_repetitions="${BENCH_REPETITIONS:-3}" \
  --benchmark_report_aggregates_only=true "$@"
bash scripts/build.sh
python3 scripts/gui_measure.py build/program/voxmere
