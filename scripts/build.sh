#!/usr/bin/env bash
# Configures and builds into build/ (the program folder is build/program).
# VOXMERE_CMAKE_ARGS adds configure options (CI: -DVOXMERE_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck disable=SC2086
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VOXMERE_CMAKE_ARGS:-}
cmake --build build -j"$(nproc)"
