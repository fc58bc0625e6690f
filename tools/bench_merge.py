#!/usr/bin/env python3
"""Writes a large version-1 AVI (video + CBR audio) for the merge benchmark,
without any muxer: one audio chunk per video frame, key frames every 250
frames, idx1 relative to movi. The video of frames [static_from, static_to)
is one still picture (every chunk the same bytes), as a static scene in MJPEG
gives; with --skip those frames are tiny identical "skip" frames instead.

Usage: bench_merge.py OUT FRAMES VIDEO_BYTES [--static FROM TO] [--skip]
"""
import os
import struct
import sys

args = sys.argv[1:]
skip = "--skip" in args
if skip:
    args.remove("--skip")
static_from = static_to = -1
if "--static" in args:
    i = args.index("--static")
    static_from, static_to = int(args[i + 1]), int(args[i + 2])
    del args[i:i + 3]
out, frames, video_bytes = args[0], int(args[1]), int(args[2])
audio_bytes = 640  # 128 kbit/s at 25 fps, one chunk per frame
key_every = 250


def is_static(i):
    return static_from <= i < static_to


def size_of(i):
    if is_static(i):
        return 12 if skip else video_bytes * 3
    return video_bytes + (i * 7919) % (video_bytes // 4 + 1) - video_bytes // 8


sizes = [size_of(i) for i in range(frames)]
biggest = max(sizes)
avih = struct.pack("<14I", 40000, 0, 0, 0x10, frames, 0, 2, biggest, 640, 480, 0, 0, 0, 0)
strh_v = b"vidsMJPG" + struct.pack("<5I", 0, 0, 0, 1, 25) + struct.pack("<3I", 0, frames, biggest) + \
    struct.pack("<2I4H", 0xFFFFFFFF, 0, 0, 0, 640, 480)
strf_v = struct.pack("<3I2H6I", 40, 640, 480, 1, 24, 0x47504A4D, 640 * 480 * 3, 0, 0, 0, 0)
strh_a = b"auds" + b"\0" * 4 + struct.pack("<5I", 0, 0, 0, 1, 16000) + \
    struct.pack("<3I", 0, frames * audio_bytes, audio_bytes * 2) + struct.pack("<2I4H", 0xFFFFFFFF, 1, 0, 0, 0, 0)
strf_a = struct.pack("<HHIIHHH", 0x55, 2, 44100, 16000, 1, 0, 0)
hdrl = chunk_list = None


def chunk(code, data):
    return code + struct.pack("<I", len(data)) + data + (b"\0" if len(data) & 1 else b"")


hdrl = chunk(b"LIST", b"hdrl" + chunk(b"avih", avih) +
             chunk(b"LIST", b"strl" + chunk(b"strh", strh_v) + chunk(b"strf", strf_v)) +
             chunk(b"LIST", b"strl" + chunk(b"strh", strh_a) + chunk(b"strf", strf_a)))
movi_data = sum(8 + s + (s & 1) + 8 + audio_bytes for s in sizes)
index_bytes = 16 * 2 * frames
riff_size = 4 + len(hdrl) + 12 + movi_data + 8 + index_bytes
assert riff_size + 8 < 2 ** 31, "file must stay below 2 GiB"

noise = os.urandom(1 << 22)
still = noise[:biggest]
with open(out, "wb", buffering=1 << 22) as f:
    f.write(b"RIFF" + struct.pack("<I", riff_size) + b"AVI " + hdrl)
    f.write(b"LIST" + struct.pack("<I", 4 + movi_data) + b"movi")
    index = bytearray()
    pos = 4
    for i, s in enumerate(sizes):
        start = (i * 104729) % (len(noise) - s - audio_bytes)
        data = still[:s] if is_static(i) else noise[start:start + s]
        key = 0x10 if i % key_every == 0 else 0
        index += b"00dc" + struct.pack("<3I", key, pos, s)
        f.write(b"00dc" + struct.pack("<I", s) + data + (b"\0" if s & 1 else b""))
        pos += 8 + s + (s & 1)
        index += b"01wb" + struct.pack("<3I", 0x10, pos, audio_bytes)
        f.write(b"01wb" + struct.pack("<I", audio_bytes) + noise[start + s:start + s + audio_bytes])
        pos += 8 + audio_bytes
    f.write(b"idx1" + struct.pack("<I", len(index)) + index)
