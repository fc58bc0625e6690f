#!/usr/bin/env python3
"""Checks Windows programs before they are packaged: each file is a PE image
for the expected machine (win32: i386, win64: x86-64), and an image that
carries a version block says the expected FileVersion in every language
(VERSION "-" checks the machine only: other projects' DLLs carry their own).
Usage: pe_check.py win32|win64 VERSION FILE...   (exit 1 with a reason)"""
import struct
import sys

MACHINES = {"win32": 0x014C, "win64": 0x8664}
KEY = "FileVersion".encode("utf-16-le") + b"\0\0"


def machine(data):
    if data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def file_versions(data):
    """The values of every FileVersion string in the version block."""
    values, at = [], data.find(KEY)
    while at >= 0:
        at += len(KEY)
        while data[at:at + 2] == b"\0\0":  # padding to a 32-bit boundary
            at += 2
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        values.append(data[at:end].decode("utf-16-le"))
        at = data.find(KEY, end)
    return values


def main(arch, version, paths):
    problems = []
    for path in paths:
        data = open(path, "rb").read()
        found = machine(data)
        if found != MACHINES[arch]:
            problems.append(f"{path}: machine {found and hex(found)}, want {hex(MACHINES[arch])} for {arch}")
        versions = file_versions(data)
        if version != "-" and any(v != version for v in versions):
            problems.append(f"{path}: FileVersion {versions}, want {version}")
    for p in problems:
        print("pe_check:", p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) < 4 or sys.argv[1] not in MACHINES:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
