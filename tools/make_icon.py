#!/usr/bin/env python3
"""Draws the program icon (TAVRINICON): a film strip cut in two, the pieces
pulled apart, with a red cut line between them. Writes a 32x32 and a 16x16
32-bit image into one .ico file.   usage: make_icon.py OUT.ico [PNG_PREVIEW_DIR]"""
import struct
import sys

FILM = (0x30, 0x30, 0x34, 255)
HOLE = (0xEE, 0xEE, 0xEE, 255)
FRAME_TOP = (0x6C, 0xC4, 0xF5, 255)
FRAME_LOW = (0x3A, 0x8F, 0x4A, 255)  # a green ground line in each frame
CUT = (0xE0, 0x28, 0x28, 255)
CLEAR = (0, 0, 0, 0)


def piece(img, x0, y0, x1, y1, hole, pitch, frame_w):
    """One piece of film: strip, sprocket holes on both edges, frames between."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = FILM
    for x in range(x0 + 1, x1, pitch):
        for dy in range(hole):
            for dx in range(hole):
                if x + dx < x1:
                    img[y0 + 1 + dy][x + dx] = HOLE
                    img[y1 - 1 - dy][x + dx] = HOLE
    top, bottom = y0 + hole + 2, y1 - hole - 2
    x = x0 + 1
    while x + frame_w - 1 < x1:
        for yy in range(top, bottom + 1):
            for xx in range(x, x + frame_w):
                ground = yy > top + (bottom - top) * 2 // 3
                img[yy][xx] = FRAME_LOW if ground else FRAME_TOP
        x += frame_w + 1


def draw(size):
    img = [[CLEAR] * size for _ in range(size)]
    if size == 32:
        piece(img, 0, 6, 13, 22, hole=2, pitch=4, frame_w=5)
        piece(img, 18, 9, 31, 25, hole=2, pitch=4, frame_w=5)
        for y in range(2, 30):
            if y % 4 != 3:
                img[y][15] = CUT
                img[y][16] = CUT
    else:
        piece(img, 0, 3, 6, 11, hole=1, pitch=2, frame_w=2)
        piece(img, 9, 5, 15, 13, hole=1, pitch=2, frame_w=2)
        for y in range(1, 15):
            if y % 3 != 2:
                img[y][7] = CUT
                img[y][8] = CUT
    return img


def dib(img):
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(img) for (r, g, b, a) in row)
    row_bytes = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(img):
        bits = 0
        for x, px in enumerate(row):
            if px[3] == 0:
                bits |= 1 << (row_bytes * 8 - 1 - x)
        mask += bits.to_bytes(row_bytes, "big")
    return header + pixels + mask


def write_ico(path, images):
    blobs = [dib(img) for img in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        size = len(img)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def write_ppm(path, img, background=(255, 255, 255)):
    size = len(img)
    data = bytearray()
    for row in img:
        for (r, g, b, a) in row:
            data += bytes((r, g, b)) if a else bytes(background)
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (size, size) + bytes(data))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    images = [draw(32), draw(16)]
    write_ico(sys.argv[1], images)
    if len(sys.argv) > 2:
        for img in images:
            write_ppm("%s/icon%d.ppm" % (sys.argv[2], len(img)), img)
