#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/TARGET: small
AVI files (video with key frames every few frames, PCM audio, optional rec
lists and absolute index offsets) and split pairs, in each target's input
layout (see the comments at the top of fuzz/fuzz_*.cpp)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(code, data):
    return code + struct.pack("<I", len(data)) + data + (b"\0" if len(data) & 1 else b"")


def avi(frames, gop=5, audio=True, first=0, absolute=False):
    streams = 2 if audio else 1
    avih = struct.pack("<14I", 40000, 0, 0, 0x10, frames, 0, streams, 0, 16, 16, 0, 0, 0, 0)
    strl = []
    strh = b"vidsDIB " + struct.pack("<5I", 0, 0, 0, 1, 25) + struct.pack("<3I", 0, frames, 600) + \
        struct.pack("<2I4H", 0, 0, 0, 0, 0, 0)
    strl.append(chunk(b"LIST", b"strl" + chunk(b"strh", strh) +
                      chunk(b"strf", struct.pack("<3I2H6I", 40, 16, 16, 1, 24, 0, 0, 0, 0, 0, 0))))
    if audio:
        strh = b"auds" + b"\0" * 4 + struct.pack("<5I", 0, 0, 0, 4, 44100 * 4) + \
            struct.pack("<3I", 0, frames * 1764, 7056) + struct.pack("<2I4H", 0, 4, 0, 0, 0, 0)
        strl.append(chunk(b"LIST", b"strl" + chunk(b"strh", strh) +
                          chunk(b"strf", struct.pack("<2H2I2H", 1, 2, 44100, 176400, 4, 16))))
    hdrl = chunk(b"LIST", b"hdrl" + chunk(b"avih", avih) + b"".join(strl))
    movi = b""
    index = b""
    movi_type = 12 + len(hdrl) + 8
    for f in range(first, first + frames):
        data = bytes([(f * 7 + k) & 0xFF for k in range(20 + (f * 13) % 17)])
        flags = 0x10 if f % gop == 0 else 0
        at = 4 + len(movi) + (movi_type if absolute else 0)
        movi += chunk(b"00dc", data)
        index += b"00dc" + struct.pack("<3I", flags, at, len(data))
        if audio:
            pcm = bytes([(f + k) & 0xFF for k in range(1764 // 42)])
            at = 4 + len(movi) + (movi_type if absolute else 0)
            movi += chunk(b"01wb", pcm)
            index += b"01wb" + struct.pack("<3I", 0x10, at, len(pcm))
    body = b"AVI " + hdrl + chunk(b"LIST", b"movi" + movi) + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def two(a, b):
    return struct.pack("<I", len(a)) + a + b


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


clip = avi(40)
pair = (avi(30), avi(25, first=20))  # frames 0..29 and 20..44: a 10-frame overlap
write("analysis", "seed-clip", two(clip, clip))
write("analysis", "seed-pair", two(*pair))
write("analysis", "seed-absolute", two(avi(12, absolute=True), avi(12)))
write("split", "seed-both", struct.pack("<I", 8) + bytes([1, 3]) + clip)       # 0.8 s, 1 s overlap
write("split", "seed-first", struct.pack("<I", 5) + bytes([0, 1]) + clip)
write("split", "seed-second", struct.pack("<I", 12) + bytes([0, 2]) + avi(40, audio=False))
write("merge", "seed-pair", bytes([7]) + two(*pair))
write("merge", "seed-same", bytes([0]) + two(clip, clip))
write("merge", "seed-video", bytes([3]) + two(avi(20, audio=False), avi(20, audio=False, first=15)))
write("settings", "seed-default", b"Position=\nOrgFolder=\nTabNo=0\nCreateFileN=1\nOverLapS=0\n")
write("settings", "seed-full", b"Position=100 200\r\nOrgFolder=C:\\v\\\r\nTabNo=1\r\nCreateFileN=3\r\n"
      b"OverLapS=12.25\r\nSplitByTime=TRUE\r\nSizeLimitMB=700\r\nSplitMerge=TRUE\r\n")

# repair: a byte that picks the OpenDML threshold, then a recording that
# ended badly: cut short, without its index, with shifted index offsets.
whole = avi(40)
movi_at = whole.find(b"movi") - 8
idx1_at = whole.find(b"idx1")
shifted = bytearray(whole)
for e in range(idx1_at + 8, len(whole), 16):
    struct.pack_into("<I", shifted, e + 8, struct.unpack_from("<I", shifted, e + 8)[0] + 3)
write("repair", "seed-cut", bytes([0]) + whole[:movi_at + (idx1_at - movi_at) * 2 // 3])
write("repair", "seed-no-index", bytes([0]) + whole[:idx1_at])
write("repair", "seed-cut-in-index", bytes([1]) + whole[:idx1_at + 8 + 16 * 30 + 5])
write("repair", "seed-shifted", bytes([1]) + bytes(shifted))
write("repair", "seed-absolute-cut", bytes([1]) + avi(30, absolute=True)[:-100])
