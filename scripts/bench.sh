#!/usr/bin/env bash
# Builds and runs the benchmarks, then measures the GUI program
# (build/program/voxmere, built by scripts/build.sh): start-up to the
# start-up guide (median of 10) and resident memory with the editor open.
# Figures go to stdout; BENCHMARKS.md says how to read them.
#   bash scripts/bench.sh                                   # Release (-O3), all, then the GUI
#   BENCH_GUI=0 bash scripts/bench.sh --benchmark_filter=Editor
#   BENCH_BUILD_TYPE=RelWithDebInfo BENCH_GUI=0 bash scripts/bench.sh --benchmark_filter=FmEngine
# RelWithDebInfo (-O2 -g) is the program's own build: it adds the
# benchmarks to build/, the folder scripts/build.sh makes, and reuses its core.
set -euo pipefail
cd "$(dirname "$0")/.."
type=${BENCH_BUILD_TYPE:-Release}
if [ "$type" = RelWithDebInfo ]; then
  dir=build
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DVOXMERE_BENCH=ON >/dev/null
else
  dir=build-bench
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DVOXMERE_BENCH=ON -DVOXMERE_CORE_ONLY=ON >/dev/null
fi
cmake --build "$dir" -j"$(nproc)" --target voxmere_bench
echo "== machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC'), $type"
"$dir"/tests/bench/voxmere_bench --benchmark_repetitions="${BENCH_REPETITIONS:-3}" \
  --benchmark_report_aggregates_only=true "$@"
if [ "${BENCH_GUI:-1}" != 0 ]; then
  bash scripts/build.sh >/dev/null
  echo "== load average $(cut -d' ' -f1-3 /proc/loadavg)"
  python3 scripts/gui_measure.py build/program/voxmere
fi
