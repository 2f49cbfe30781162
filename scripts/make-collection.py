#!/usr/bin/env python3
"""Write a generated collection of DX7 voice files for the library's benchmarks.

    python3 scripts/make-collection.py OUTDIR [--files 4000] [--seed 16]

OUTDIR gets --files bank files (32-voice bulk dumps with valid checksums,
on varied channels and with both byte counts, 40 to a folder), and beside
them a few files of other kinds: the program's own .v32, Standard MIDI
Files holding a bank, single-voice dumps, and files a reader must refuse
(text, a four-operator bank, a dump cut off). Voices have parameters
within their ranges and varied names; a share of them are exact duplicates
of earlier voices under other names (whole banks copied under another file
name, and single voices copied into other banks), and a share are
near-duplicates (one to three parameters moved a few steps). The same seed
writes the same bytes.
"""
import argparse
import os
import random
import struct
import sys

WORDS = ["BRASS", "STRINGS", "PIANO", "E.PIANO", "BELL", "BASS", "ORGAN", "FLUTE", "PAD", "LEAD",
         "SYNTH", "CHOIR", "HARP", "CLAV", "VIBES", "MARIMBA", "KOTO", "SITAR", "GUITAR", "TUBA",
         "HORN", "SAX", "OBOE", "CELLO", "VIOLIN", "PERC", "DRUM", "FX", "WIND", "GLASS", "Soft",
         "bright", "Dark", "WARM", "Metal", "PLUCK", "SWEEP", "TINE", "REED", "Voice"]

# Packed offsets 0..117 of one operator block (17 bytes) and of the common
# part, as (offset, fields): a field is (shift, highest value).
def _layout():
    block = []
    for j in range(11):  # rates, levels, break point, depths
        block.append([(0, 99)])
    block.append([(2, 3), (0, 3)])    # 11: RC, LC
    block.append([(3, 14), (0, 7)])   # 12: DET, RS
    block.append([(2, 7), (0, 3)])    # 13: KVS, AMS
    block.append([(0, 99)])           # 14: output level
    block.append([(1, 31), (0, 1)])   # 15: FC, M
    block.append([(0, 99)])           # 16: frequency fine
    layout = []
    for b in range(6):
        layout.extend(block)
    layout.extend([[(0, 99)]] * 8)     # 102..109 pitch EG
    layout.append([(0, 31)])           # 110 algorithm
    layout.append([(3, 1), (0, 7)])    # 111 OKS, FB
    layout.extend([[(0, 99)]] * 4)     # 112..115 LFO
    layout.append([(4, 7), (1, 5), (0, 1)])  # 116 LPMS, LFW, LKS
    layout.append([(0, 48)])           # 117 transpose
    assert len(layout) == 118
    return layout


LAYOUT = _layout()


def random_body(rng):
    body = bytearray(118)
    for offset, fields in enumerate(LAYOUT):
        value = 0
        for shift, high in fields:
            value |= rng.randint(0, high) << shift
        body[offset] = value
    return body


def nudge(rng, body):
    """One to three parameters moved a few steps, within their ranges."""
    body = bytearray(body)
    for _ in range(rng.randint(1, 3)):
        offset = rng.randrange(118)
        if offset == 110:
            continue  # another algorithm is another sound
        shift, high = rng.choice(LAYOUT[offset])
        mask = 0x7F if high > 63 else ((1 << high.bit_length()) - 1)
        value = (body[offset] >> shift) & mask
        value = max(0, min(high, value + rng.choice([-3, -2, -1, 1, 2, 3])))
        body[offset] = (body[offset] & ~(mask << shift) & 0x7F) | (value << shift)
    return body


def random_name(rng):
    word = rng.choice(WORDS)
    tail = rng.choice(["", " ", "  "]) + rng.choice([str(rng.randint(1, 99)), rng.choice("ABCDEFGH"), ""])
    return (word + tail)[:10].ljust(10).encode("ascii")


def checksum(data):
    return (128 - (sum(data) & 0x7F)) & 0x7F


def bulk_dump(voices, channel=0, count_high=0x20):
    data = b"".join(voices)
    assert len(data) == 4096
    return bytes([0xF0, 0x43, channel, 0x09, count_high, 0x00]) + data + bytes([checksum(data), 0xF7])


# Unpacked parameters of a packed voice (for .v32 records and single dumps).
def unpack(packed):
    params = [0] * 155
    for b in range(6):
        o = 17 * b
        p = 21 * b
        for j in range(11):
            params[p + j] = packed[o + j]
        params[p + 11] = packed[o + 11] & 3
        params[p + 12] = (packed[o + 11] >> 2) & 3
        params[p + 13] = packed[o + 12] & 7
        params[p + 20] = (packed[o + 12] >> 3) & 15
        params[p + 14] = packed[o + 13] & 3
        params[p + 15] = (packed[o + 13] >> 2) & 7
        params[p + 16] = packed[o + 14]
        params[p + 17] = packed[o + 15] & 1
        params[p + 18] = (packed[o + 15] >> 1) & 31
        params[p + 19] = packed[o + 16]
    for i in range(8):
        params[126 + i] = packed[102 + i]
    params[134] = packed[110]
    params[135] = packed[111] & 7
    params[136] = (packed[111] >> 3) & 1
    for i in range(4):
        params[137 + i] = packed[112 + i]
    params[141] = packed[116] & 1
    params[142] = (packed[116] >> 1) & 7
    params[143] = (packed[116] >> 4) & 7
    for i in range(11):
        params[144 + i] = packed[117 + i]
    return bytes(params)


def single_dump(packed):
    params = unpack(packed)
    return bytes([0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B]) + params + bytes([checksum(params), 0xF7])


def v32_file(voices):
    return b"".join(bytes([0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B]) + unpack(v) for v in voices)


def midi_file(sysex):
    """A format-0 Standard MIDI File with one System Exclusive event."""
    def varlen(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.insert(0, (n & 0x7F) | 0x80)
            n >>= 7
        return bytes(out)
    body = sysex[1:]  # F0, then the length, then the rest
    track = b"\x00\xF0" + varlen(len(body)) + body + b"\x00\xFF\x2F\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track)) + track)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--files", type=int, default=4000, help="bank files (default 4000)")
    parser.add_argument("--seed", type=int, default=16)
    parser.add_argument("--copied-banks", type=float, default=0.03, help="share of banks copied whole")
    parser.add_argument("--copied-voices", type=float, default=0.08, help="share of voices copied, renamed")
    parser.add_argument("--near-voices", type=float, default=0.04, help="share of near-duplicate voices")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    os.makedirs(args.outdir, exist_ok=True)
    written = []  # packed voices so far, to copy from
    banks = []
    stats = {"bank files": 0, "voices": 0, "banks copied": 0, "voices copied": 0, "near voices": 0}

    def path_of(n, suffix):
        folder = os.path.join(args.outdir, "set-%03d" % (n // 40))
        os.makedirs(folder, exist_ok=True)
        return os.path.join(folder, "bank-%04d%s" % (n, suffix))

    for n in range(args.files):
        if banks and rng.random() < args.copied_banks:
            voices = rng.choice(banks)
            stats["banks copied"] += 1
        else:
            voices = []
            for _ in range(32):
                r = rng.random()
                if written and r < args.copied_voices:
                    body = rng.choice(written)[:118]
                    stats["voices copied"] += 1
                elif written and r < args.copied_voices + args.near_voices:
                    body = nudge(rng, rng.choice(written)[:118])
                    stats["near voices"] += 1
                else:
                    body = random_body(rng)
                voice = bytes(body) + random_name(rng)
                voices.append(voice)
                written.append(voice)
            banks.append(voices)
        dump = bulk_dump(voices, channel=rng.choice([0, 0, 0, 1, 15]),
                         count_high=0x10 if rng.random() < 0.05 else 0x20)
        with open(path_of(n, ".syx"), "wb") as f:
            f.write(dump)
        stats["bank files"] += 1
        stats["voices"] += 32

    extras = os.path.join(args.outdir, "other")
    os.makedirs(extras, exist_ok=True)
    for i in range(5):
        with open(os.path.join(extras, "own-%d.v32" % i), "wb") as f:
            f.write(v32_file(rng.choice(banks)))
        with open(os.path.join(extras, "song-%d.mid" % i), "wb") as f:
            f.write(midi_file(bulk_dump(rng.choice(banks))))
        with open(os.path.join(extras, "single-%d.syx" % i), "wb") as f:
            f.write(single_dump(rng.choice(written)))
    with open(os.path.join(extras, "readme.txt"), "w") as f:
        f.write("Voices for the benchmarks of the voice library.\n")
    with open(os.path.join(extras, "four-op.syx"), "wb") as f:
        data = bytes(rng.randint(0, 99) for _ in range(4096))
        f.write(bytes([0xF0, 0x43, 0x00, 0x04, 0x20, 0x00]) + data + bytes([checksum(data), 0xF7]))
    with open(os.path.join(extras, "cut.syx"), "wb") as f:
        f.write(bulk_dump(rng.choice(banks))[:1000])

    for key, value in stats.items():
        print("%s: %d" % (key, value))
    print("other files: 15 with voices (5 .v32, 5 .mid, 5 single dumps), 3 without")
    return 0


if __name__ == "__main__":
    sys.exit(main())
