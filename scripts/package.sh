#!/usr/bin/env bash
# Builds the Debian package voxmere_<version>_<arch>.deb and prints its path
# and size. Without an argument it configures afresh in build-package/;
# given a build folder that was configured from this tree (CI: build/, just
# tested), it packages that one. Only the installed targets are built, not
# the tests. VOXMERE_CMAKE_ARGS adds configure options, as in build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

# cpack's DEB generator works out the Depends line with dpkg-shlibdeps.
if ! command -v dpkg-shlibdeps >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -qq dpkg-dev >/dev/null
fi

build=${1:-build-package}
if [ $# -eq 0 ]; then
  rm -rf "$build"
fi
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VOXMERE_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)" --target voxmere voxmere-tool voxmere-dx7sim alg_pictures init_voice_file man_pages
rm -f "$build"/voxmere_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/voxmere_*.deb)
echo "package: $(realpath "$deb")"
echo "size: $(stat -c %s "$deb") bytes ($(du -k "$deb" | cut -f1) KiB)"
