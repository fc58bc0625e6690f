"""Pictures for the frame tests: a PNG read back (8-bit RGB or grey, any
filter), FFmpeg's own decoding of every frame of a file as RGB24, and the
comparison of two pictures."""
import struct
import subprocess
import zlib


def read_png(path):
    """(width, height, channels, pixel bytes rows top first); raises
    ValueError for a file that is no such PNG (a bad CRC too)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        size, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + size]
        if zlib.crc32(kind + body) != struct.unpack_from(">I", data, pos + 8 + size)[0]:
            raise ValueError(f"bad CRC in {kind!r}")
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + size
    width, height, depth, colour = header[:4]
    if depth != 8 or colour not in (0, 2):
        raise ValueError(f"depth {depth}, colour type {colour}")
    channels = 3 if colour == 2 else 1
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = prev[i], prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        prev = line
    return width, height, channels, b"".join(rows)


def ffmpeg_frames(path, width, height):
    """Every picture FFmpeg decodes of path's video, once each, as RGB24."""
    p = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v:0", "-fps_mode", "passthrough", "-pix_fmt", "rgb24", "-f", "rawvideo",
                        "-"], capture_output=True, check=True)
    size = width * height * 3
    return [p.stdout[k:k + size] for k in range(0, len(p.stdout) - size + 1, size)]


def shown_frames(path, width, height, chunk_sizes):
    """The picture shown at every index of the video's chunks (sizes in
    file order): FFmpeg's pictures in turn, an empty chunk (a dropped
    frame, which FFmpeg passes over) showing the picture before."""
    pictures = ffmpeg_frames(path, width, height)
    shown, k = [], -1
    for size in chunk_sizes:
        k += size > 0
        shown.append(pictures[max(k, 0)] if k < len(pictures) else b"")
    return shown


def difference(a, b):
    """(largest difference of one sample, sum of all differences)."""
    if len(a) != len(b):
        return 256, 1 << 62
    worst = total = 0
    for x, y in zip(a, b):
        d = abs(x - y)
        total += d
        if d > worst:
            worst = d
    return worst, total
