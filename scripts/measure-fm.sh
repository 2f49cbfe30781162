#!/usr/bin/env bash
# Measures the FM engine's mappings off rendered samples
# (tests/measure/fm_measure.cpp) for the working tree or for a revision:
#   bash scripts/measure-fm.sh            # the working tree
#   bash scripts/measure-fm.sh 158976c    # the engine of that commit
# The measuring program is always the working tree's; the engine (src/) is
# taken from the revision. Builds in build-measure/.
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-}
out=build-measure/${rev:-worktree}
mkdir -p "$out"
if [ -n "$rev" ]; then
  rm -rf "$out/src"
  git archive "$rev" src | tar -x -C "$out"
  src=$out/src
else
  src=src
fi
# Revisions since the function settings reached the engine need their file.
extra=()
[ -f "$src"/voice/function_settings.cpp ] && extra+=("$src"/voice/function_settings.cpp)
g++ -std=c++20 -O2 -I"$src" -Itests/unit tests/measure/fm_measure.cpp \
  "$src"/synth/fm_engine.cpp "$src"/synth/fm_tables.cpp "$src"/voice/algorithms.cpp "$src"/voice/init_voice.cpp \
  "${extra[@]}" -lfftw3 -o "$out/fm_measure"
echo "== engine of ${rev:-the working tree}"
"$out/fm_measure"
