#!/usr/bin/env python3
"""Writes an OpenDML (AVI 2.0) file in ffmpeg's layout, video only, whose
frames are 1 MiB holes with an 8-byte frame number in front: past 4 GiB on
disk in a second where the file system keeps holes. A RIFF AVI and then
RIFF AVIX lists of at most 1 GiB; an indx super index; one ix00 standard
index at the end of each movi (qwBaseOffset the movi fourcc of its RIFF);
idx1 in the first RIFF only; a key frame every 25 frames.
Usage: make_big_odml.py FILE [FRAMES]   (default 4300 frames: 4.5 GB, 172 s)"""
import os
import struct
import sys

FRAME = 1 << 20
GIB = 1 << 30
ROOM = 32  # super index entries reserved


def chunk(code, data):
    return code + struct.pack("<I", len(data)) + data


def write(path, frames):
    key = [i % 25 == 0 for i in range(frames)]
    strh = b"vidsDIB " + struct.pack("<5I", 0, 0, 0, 1, 25) + struct.pack("<3I", 0, frames, FRAME + 8) + \
        struct.pack("<2I4H", 0xFFFFFFFF, 0, 0, 0, 640, 480)
    strf = struct.pack("<3I2H6I", 40, 640, 480, 1, 24, 0, FRAME, 0, 0, 0, 0)
    indx_size = 24 + 16 * ROOM

    def hdrl(first_riff_frames, super_entries):
        avih = struct.pack("<14I", 40000, 25 * FRAME, 0, 0x10, first_riff_frames, 0, 1, FRAME + 8,
                           640, 480, 0, 0, 0, 0)
        entries = b"".join(struct.pack("<QII", *e) for e in super_entries)
        indx = struct.pack("<HBBI4s3I", 4, 0, 0, len(super_entries), b"00dc", 0, 0, 0) + \
            entries + bytes(indx_size - 24 - len(entries))
        strl = chunk(b"LIST", b"strl" + chunk(b"strh", strh) + chunk(b"strf", strf) + chunk(b"indx", indx))
        odml = chunk(b"LIST", b"odml" + chunk(b"dmlh", struct.pack("<I", frames) + bytes(244)))
        return chunk(b"LIST", b"hdrl" + chunk(b"avih", avih) + strl + odml)

    header_bytes = len(hdrl(0, []))
    with open(path, "wb") as f:
        f.truncate(0)
        riffs, super_entries, idx1 = [], [], b""
        n = 0
        while n < frames:
            riff_at = f.tell()
            first = not riffs
            body_start = riff_at + 12 + (header_bytes if first else 0)
            movi_fourcc = body_start + 8
            # Chunks while the next one starts within 1 GiB of the RIFF start.
            count = 0
            at = movi_fourcc + 4
            while n + count < frames and at + 8 + FRAME + 32 + 8 * (count + 1) - riff_at <= GIB:
                at += 8 + FRAME
                count += 1
            f.seek(movi_fourcc + 4)
            entries = b""
            for i in range(n, n + count):
                pos = f.tell()
                f.write(b"00dc" + struct.pack("<I", FRAME) + struct.pack("<Q", i))
                f.seek(FRAME - 8, os.SEEK_CUR)
                entries += struct.pack("<II", pos + 8 - movi_fourcc, FRAME | (0 if key[i] else 0x80000000))
                if first:
                    idx1 += b"00dc" + struct.pack("<3I", 0x10 if key[i] else 0, pos - movi_fourcc, FRAME)
            ix_at = f.tell()
            ix = chunk(b"ix00", struct.pack("<HBBI4sQI", 2, 0, 1, count, b"00dc", movi_fourcc, 0) + entries)
            f.write(ix)
            movi_end = f.tell()
            super_entries.append((ix_at, len(ix), count))
            if first:
                f.write(chunk(b"idx1", idx1))
            riff_end = f.tell()
            riffs.append((riff_at, riff_end, movi_fourcc, movi_end, first, count))
            n += count
        # Headers last, now that every position is known.
        for riff_at, riff_end, movi_fourcc, movi_end, first, count in riffs:
            f.seek(riff_at)
            f.write(b"RIFF" + struct.pack("<I", riff_end - riff_at - 8) + (b"AVI " if first else b"AVIX"))
            if first:
                f.write(hdrl(count, super_entries))
            f.write(b"LIST" + struct.pack("<I", movi_end - movi_fourcc) + b"movi")
        assert len(super_entries) <= ROOM
    return os.path.getsize(path)


if __name__ == "__main__":
    size = write(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 4300)
    print(f"{sys.argv[1]}: {size} bytes")
