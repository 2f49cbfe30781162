#!/usr/bin/env bash
# Resident memory of the program with the library window open on an indexed
# collection of FILES bank files (default 4000, scripts/make-collection.py):
# the collection and a data folder whose voxmere/library.sqlite voxmere-tool
# index fills are made in a temporary folder and removed afterwards; then
# scripts/gui_measure.py with LIBRARY_DATA_HOME (start-up, editor, library).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j"$(nproc)" --target voxmere voxmere-tool >/dev/null 2>&1 || bash scripts/build.sh >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/voxmere-libwin-XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 scripts/make-collection.py "$work/collection" --files "${FILES:-4000}" >/dev/null
mkdir -p "$work/data/voxmere"
build/program/voxmere-tool index --db "$work/data/voxmere/library.sqlite" "$work/collection" | tail -n 3
echo "== load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC')"
STARTUP_RUNS=${STARTUP_RUNS:-3} LIBRARY_DATA_HOME="$work/data" python3 scripts/gui_measure.py build/program/voxmere
