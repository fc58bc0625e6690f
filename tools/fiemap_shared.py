#!/usr/bin/env python3
"""How much of each file shares its blocks with another file (a clone or
reflink), read from the file system's extent map (FIEMAP): extents flagged
"shared" count. Linux only.

usage: fiemap_shared.py [--json] FILE...
prints per file: shared bytes, size, the shared share in percent and the
bytes that take space of their own (size - shared)."""
import fcntl
import json
import os
import struct
import sys

FS_IOC_FIEMAP = 0xC020660B
FIEMAP_FLAG_SYNC = 0x1
FIEMAP_EXTENT_LAST = 0x1
FIEMAP_EXTENT_SHARED = 0x2000
HEADER = struct.Struct("=QQIIII")       # fm_start, fm_length, fm_flags, mapped, count, reserved
EXTENT = struct.Struct("=QQQQQIIII")    # logical, physical, length, 2 reserved, flags, 3 reserved
BATCH = 256


def extents(fd):
    """(logical, length, flags) of every extent of the open file fd."""
    start = 0
    while True:
        request = bytearray(HEADER.pack(start, 2**64 - 1 - start, FIEMAP_FLAG_SYNC, 0, BATCH, 0))
        request += bytes(EXTENT.size * BATCH)
        fcntl.ioctl(fd, FS_IOC_FIEMAP, request)
        mapped = HEADER.unpack_from(request)[3]
        if mapped == 0:
            return
        for i in range(mapped):
            logical, _, length, _, _, flags, _, _, _ = EXTENT.unpack_from(request, HEADER.size + i * EXTENT.size)
            yield logical, length, flags
            if flags & FIEMAP_EXTENT_LAST:
                return
            start = logical + length


def shared_bytes(path):
    """(bytes in shared extents, file size)."""
    size = os.path.getsize(path)
    fd = os.open(path, os.O_RDONLY)
    try:
        shared = 0
        for logical, length, flags in extents(fd):
            if flags & FIEMAP_EXTENT_SHARED:
                shared += max(0, min(logical + length, size) - logical)
        return shared, size
    finally:
        os.close(fd)


def main(args):
    as_json = "--json" in args
    files = [a for a in args if a != "--json"]
    if not files:
        print("usage: fiemap_shared.py [--json] FILE...", file=sys.stderr)
        return 2
    rows = []
    for path in files:
        shared, size = shared_bytes(path)
        rows.append({"file": path, "shared": shared, "bytes": size,
                     "percent": round(100.0 * shared / size, 2) if size else 0.0, "own": size - shared})
    if as_json:
        print(json.dumps(rows))
    else:
        for r in rows:
            print(f"{r['file']}: {r['shared']} of {r['bytes']} bytes shared ({r['percent']:.2f}%), "
                  f"{r['own']} bytes of its own")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
