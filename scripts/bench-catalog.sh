#!/usr/bin/env bash
# The voice catalogue's benchmarks on generated collections of 1,000, 2,000
# and 4,000 bank files (scripts/make-collection.py), written to a temporary
# folder and removed afterwards. Builds voxmere_bench (Release, build-bench)
# first. Figures go to stdout, with the machine's load before and after
# each size; BENCHMARKS.md says how to read them. The curating benchmarks
# (tags, favourites, ratings, categories, a bank filled from a search) mark
# a share of the sounds first; see Curated() in tests/bench/catalog_bench.cpp.
#   bash scripts/bench-catalog.sh            # all three sizes
#   SIZES="4000" bash scripts/bench-catalog.sh
#   SIZES="4000" bash scripts/bench-catalog.sh --benchmark_filter='Catalog(SearchTag|FillBank)'
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXMERE_BENCH=ON -DVOXMERE_CORE_ONLY=ON >/dev/null
cmake --build build-bench -j2 --target voxmere_bench voxmere-tool
work=$(mktemp -d "${TMPDIR:-/tmp}/voxmere-collection-XXXXXX")
trap 'rm -rf "$work"' EXIT
for files in ${SIZES:-1000 2000 4000}; do
  python3 scripts/make-collection.py "$work/c$files" --files "$files" >/dev/null
  # Read every file once so that the first index is timed on the page
  # cache, as the re-index is.
  cat "$work/c$files"/*/* >/dev/null
  echo "== $files bank files; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  VOXMERE_BENCH_COLLECTION="$work/c$files" build-bench/tests/bench/voxmere_bench \
    --benchmark_filter=Catalog --benchmark_repetitions="${BENCH_REPETITIONS:-3}" \
    --benchmark_report_aggregates_only=true "$@"
  echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  rm -rf "$work/c$files"
done
