#!/usr/bin/env bash
# Screenshots on a 1600 x 1200 screen under Xvfb: the main window, the
# editor as it opens and scrolled down with its Data Entry Zone open, and
# the library window, into docs/screenshots/ as main-window-SUFFIX.png,
# editor-SUFFIX.png, editor-SUFFIX-scrolled.png and library-SUFFIX.png.
# Needs Xvfb, xdotool and ImageMagick's import.
#
# usage: scripts/screenshots.sh [BUILD_DIR] [SCALE] [LANGUAGE]
#   (defaults: build, 2, ja). SUFFIX is "scale2" for Japanese at scale 2,
#   "en" for English at scale 1, "en-scale2" for English at scale 2.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build}/program/voxmere
scale=${2:-2}
language=${3:-ja}
suffix=$([ "$language" = ja ] || echo "$language")
[ "$scale" = 1 ] || suffix=${suffix:+$suffix-}scale$scale
[ -n "$suffix" ] || suffix=ja
if [ "$language" = ja ]; then
  main_title='ＶＯＸＭＥＲＥ'; library_title='音色ライブラリ'
else
  main_title='VOXMERE Ver'; library_title='Voice library'
fi
out=docs/screenshots
display=:${SHOT_DISPLAY:-9}
home=$(mktemp -d)
mkdir -p "$out"

Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pid=
stop_program() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  pid=
}
trap 'stop_program; kill $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Starts the program with the built-in instrument at the scale factor
# (the start-up box answered, a settings folder of its own) with the extra
# environment given, and prints the id of the window whose title matches.
start() {
  local title=$1
  shift
  env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home" \
    QT_SCALE_FACTOR="$scale" VOXMERE_AUTO_ANSWER=1 "$@" "$program" --virtual-dx7 --language "$language" \
    >/dev/null 2>&1 &
  pid=$!
  timeout 20 xdotool search --sync --onlyvisible --name "$title" | head -1
}
shoot() { # window id, file: once the window has painted
  sleep 1.5
  import -window "$1" "$out/$2"
  echo "$out/$2: $(identify -format '%wx%h' "$out/$2")"
}

id=$(start "$main_title")
shoot "$id" "main-window-$suffix.png"
stop_program

id=$(start 'EDIT MODE' VOXMERE_BENCH_OPEN_EDITOR=1)
shoot "$id" "editor-$suffix.png"
# A click on operator 6's R1 opens the EG group in the Data Entry Zone;
# the wheel scrolls down to it, the command row and the keyboard.
xdotool mousemove --window "$id" $((495 * scale / 2)) $((412 * scale / 2)) click 1
xdotool mousemove --window "$id" $((780 * scale / 2)) $((700 * scale / 2))
for _ in $(seq 15); do xdotool click 5; done
shoot "$id" "editor-$suffix-scrolled.png"
stop_program

id=$(start "$library_title" VOXMERE_BENCH_OPEN_LIBRARY=1)
shoot "$id" "library-$suffix.png"
stop_program
