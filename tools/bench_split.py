#!/usr/bin/env python3
"""Writes a large version-1 AVI (video + 16-bit stereo PCM) for the split
benchmark, without any muxer: frames of the given size (varying a little),
one PCM chunk per frame, key frames every 25 frames, idx1 relative to movi.

Usage: bench_split.py OUT FRAMES VIDEO_BYTES [AUDIO_BYTES]
"""
import os
import struct
import sys

out, frames, video_bytes = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
# 7056: 44100 Hz x 4 bytes / 25 fps
audio_bytes = int(sys.argv[4]) if len(sys.argv) > 4 else 7056


def chunk(code, data):
    return code + struct.pack("<I", len(data)) + data + (b"\0" if len(data) & 1 else b"")


sizes = [video_bytes + (i * 7919) % (video_bytes // 4 + 1) - video_bytes // 8 for i in range(frames)]
avih = struct.pack("<14I", 40000, 0, 0, 0x10, frames, 0, 2, max(sizes), 320, 240, 0, 0, 0, 0)
strh_v = b"vidsXVID" + struct.pack("<5I", 0, 0, 0, 1, 25) + struct.pack("<3I", 0, frames, max(sizes)) + \
    struct.pack("<2I4H", 0xFFFFFFFF, 0, 0, 0, 320, 240)
strf_v = struct.pack("<3I2H6I", 40, 320, 240, 1, 24, 0x44495658, 320 * 240 * 3, 0, 0, 0, 0)
# The audio keeps pace with the video, as in a recording: 16-bit stereo PCM
# at the rate that makes audio_bytes one frame's worth (7056: 44100 Hz).
rate = audio_bytes * 25 // 4
strh_a = b"auds" + b"\0" * 4 + struct.pack("<5I", 0, 0, 0, 1, rate) + \
    struct.pack("<3I", 0, frames * audio_bytes // 4, audio_bytes) + struct.pack("<2I4H", 0xFFFFFFFF, 4, 0, 0, 0, 0)
strf_a = struct.pack("<HHIIHHH", 1, 2, rate, rate * 4, 4, 16, 0)
hdrl = chunk(b"LIST", b"hdrl" + chunk(b"avih", avih) +
             chunk(b"LIST", b"strl" + chunk(b"strh", strh_v) + chunk(b"strf", strf_v)) +
             chunk(b"LIST", b"strl" + chunk(b"strh", strh_a) + chunk(b"strf", strf_a)))
movi_data = sum(8 + s + (s & 1) + 8 + audio_bytes for s in sizes)
index_bytes = 16 * 2 * frames
riff_size = 4 + len(hdrl) + 12 + movi_data + 8 + index_bytes
assert riff_size + 8 < 2 ** 31, "file must stay below 2 GiB"

noise = os.urandom(1 << 21)
with open(out, "wb", buffering=1 << 22) as f:
    f.write(b"RIFF" + struct.pack("<I", riff_size) + b"AVI " + hdrl)
    f.write(b"LIST" + struct.pack("<I", 4 + movi_data) + b"movi")
    index = bytearray()
    pos = 4
    for i, s in enumerate(sizes):
        start = (i * 104729) % (len(noise) - s - audio_bytes)
        index += b"00dc" + struct.pack("<3I", 0x10 if i % 25 == 0 else 0, pos, s)
        f.write(b"00dc" + struct.pack("<I", s) + noise[start:start + s] + (b"\0" if s & 1 else b""))
        pos += 8 + s + (s & 1)
        index += b"01wb" + struct.pack("<3I", 0x10, pos, audio_bytes)
        f.write(b"01wb" + struct.pack("<I", audio_bytes) + noise[start + s:start + s + audio_bytes])
        pos += 8 + audio_bytes
    f.write(b"idx1" + struct.pack("<I", len(index)) + index)
