#!/usr/bin/env bash
# The screenshots at a scale factor of 2 on a 1600 x 1200 screen, under
# Xvfb: the main window, the editor as it opens and scrolled down with its
# Data Entry Zone open, and the library window, into docs/screenshots/
# (main-window-scale2.png, editor-scale2.png, editor-scale2-scrolled.png,
# library-scale2.png). Needs Xvfb, xdotool and ImageMagick's import.
#
# usage: scripts/screenshots-scale2.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build}/program/voxmere
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

# Starts the program with the built-in instrument at a scale factor of 2
# (the start-up box answered, a settings folder of its own) with the extra
# environment given, and prints the id of the window whose title matches.
start() {
  local title=$1
  shift
  env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home" \
    QT_SCALE_FACTOR=2 VOXMERE_AUTO_ANSWER=1 "$@" "$program" --virtual-dx7 >/dev/null 2>&1 &
  pid=$!
  timeout 20 xdotool search --sync --onlyvisible --name "$title" | head -1
}
shoot() { # window id, file: once the window has painted
  sleep 1.5
  import -window "$1" "$out/$2"
  echo "$out/$2: $(identify -format '%wx%h' "$out/$2")"
}

id=$(start 'ＶＯＸＭＥＲＥ')
shoot "$id" main-window-scale2.png
stop_program

id=$(start 'EDIT MODE' VOXMERE_BENCH_OPEN_EDITOR=1)
shoot "$id" editor-scale2.png
# A click on operator 6's R1 opens the EG group in the Data Entry Zone;
# the wheel scrolls down to it, the command row and the keyboard.
xdotool mousemove --window "$id" 495 412 click 1
xdotool mousemove --window "$id" 780 700
for _ in $(seq 15); do xdotool click 5; done
shoot "$id" editor-scale2-scrolled.png
stop_program

id=$(start '音色ライブラリ' VOXMERE_BENCH_OPEN_LIBRARY=1)
shoot "$id" library-scale2.png
stop_program
