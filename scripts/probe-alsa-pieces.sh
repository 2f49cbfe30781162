#!/usr/bin/env bash
# How RtMidi's ALSA output sends a System Exclusive message handed over in
# pieces (see RtMidiOutPort::sendSysExPart): pieces of 32 and 64 bytes on a
# fresh encoder, 16 bytes, and 32 bytes after a whole 163-byte message grew
# the encoder. Needs no sequencer: it runs alsa-lib's encoder alone.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
c++ -std=c++20 -O1 scripts/alsa_pieces_probe.cpp -o "$out/probe" $(pkg-config --cflags --libs alsa)
"$out/probe" 32
"$out/probe" 64
"$out/probe" 16
"$out/probe" 32 163
