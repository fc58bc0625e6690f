"""Crafted MPEG-4 Visual AVIs for the command line tests: a file's video
chunks replaced (rewrite_video) and B-frames packed as DivX 5 and Xvid pack
them (pack_bframes)."""
import struct

from avi_file import AviFile


def rewrite_video(src, dst, chunks):
    """dst: src's headers with the video chunks (flags, payload) in place of
    src's movi list, a new idx1 and the frame counts made true."""
    data = bytearray(open(src, "rb").read())
    movi = data.find(b"movi") - 8
    head = data[:movi]
    avih = head.find(b"avih")
    struct.pack_into("<I", head, avih + 8 + 16, len(chunks))
    strh = head.find(b"strh")
    struct.pack_into("<I", head, strh + 8 + 32, len(chunks))
    body, index = bytearray(b"movi"), bytearray()
    for flags, payload in chunks:
        index += b"00dc" + struct.pack("<III", flags, len(body), len(payload))
        body += b"00dc" + struct.pack("<I", len(payload)) + payload + b"\0" * (len(payload) & 1)
    out = head + b"LIST" + struct.pack("<I", len(body)) + body + b"idx1" + struct.pack("<I", len(index)) + index
    struct.pack_into("<I", out, 4, len(out) - 8)
    open(dst, "wb").write(out)


def vop_type(payload):
    at = payload.find(b"\0\0\1\xb6")
    return payload[at + 4] >> 6  # 0 I, 1 P, 2 B


def pack_bframes(src, dst, filler, divx_marker=False, start=0):
    """The packed layout DivX 5 and Xvid write: each I or P frame with the
    first B frame after it in one chunk, the other B frames in the chunks
    after, then `filler` (an empty or one-byte chunk) where the reference
    frame is shown: as many chunks as before. divx_marker: the first frame
    gets the user data DivX 5 writes ("DivX503b1393p"), which tells FFmpeg's
    decoder the frames are packed. start: the chunks before it (up to an I
    or P frame) stay as they are, a stream found packed only later."""
    chunks = AviFile(src).stream(0)
    assert vop_type(chunks[start][1]) != 2
    if divx_marker:
        flags, payload = chunks[0]
        at = payload.find(b"\0\0\1\xb6")
        chunks[0] = (flags, payload[:at] + b"\0\0\1\xb2DivX503b1393p" + payload[at:])
    packed, i = list(chunks[:start]), start
    while i < len(chunks):
        flags, payload = chunks[i]
        bs = []
        while i + 1 + len(bs) < len(chunks) and vop_type(chunks[i + 1 + len(bs)][1]) == 2:
            bs.append(chunks[i + 1 + len(bs)][1])
        if not bs:
            packed.append((flags, payload))
            i += 1
            continue
        packed.append((flags, payload + bs[0]))
        packed += [(0, b) for b in bs[1:]]
        packed.append((0, filler))
        i += 1 + len(bs)
    assert len(packed) == len(chunks)
    rewrite_video(src, dst, packed)
