#!/usr/bin/env bash
# Times voxmere-tool render (build/program/voxmere-tool, RelWithDebInfo as
# scripts/build.sh builds it) on the factory bank: every voice with the
# defaults, every voice for 10 s, and one voice. Wall, user and system
# seconds of each run; the WAV files go to a temporary folder.
#   RUNS=5 bash scripts/bench-render.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j"$(nproc)" --target voxmere-tool >/dev/null 2>&1 || bash scripts/build.sh >/dev/null
tool=build/program/voxmere-tool
work=$(mktemp -d "${TMPDIR:-/tmp}/voxmere-render-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "== load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC')"
run() {
  local label=$1; shift
  for i in $(seq "${RUNS:-5}"); do
    rm -rf "$work/out"; mkdir -p "$work/out"
    /usr/bin/time -f "$label: wall %e s, user %U s, system %S s" "$tool" "$@" >/dev/null
  done
}
run "render --all (32 voices, 3 s each)" render tests/data/rom1a.syx --all "$work/out"
run "render --all --seconds 10 (32 voices, 11 s each)" render tests/data/rom1a.syx --all "$work/out" --seconds 10
run "render one voice (3 s)" render tests/data/rom1a.syx "$work/out/one.wav"
