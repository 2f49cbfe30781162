#!/usr/bin/env bash
# Installs what is missing, builds, and starts VOXMERE. Without a MIDI
# port on this machine it talks to the built-in virtual DX7.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
args=("$@")
if [ ${#args[@]} -eq 0 ] && [ ! -e /dev/snd/seq ] && ! pgrep -x jackd >/dev/null; then
  echo "No MIDI port here: connecting to the built-in virtual DX7."
  args=(--virtual-dx7)
fi
exec build/program/voxmere "${args[@]}"
