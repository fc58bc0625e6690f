#!/usr/bin/env python3
"""Prints facts about an AVI file's layout that the sample manifest records:
how idx1 offsets are based, whether an OpenDML indx is present, whether rec
lists occur, and the stream count. Walks RIFF lists without loading the file.

Usage: avi_facts.py FILE          -> one line: key=value pairs
"""
import struct
import sys


def walk(f, start, end, depth, facts):
    pos = start
    while pos + 8 <= end:
        f.seek(pos)
        head = f.read(8)
        if len(head) < 8:
            break
        fourcc, size = head[:4], struct.unpack('<I', head[4:])[0]
        body = pos + 8
        if fourcc in (b'RIFF', b'LIST'):
            kind = f.read(4)
            if kind == b'movi' and 'movi_type_pos' not in facts:
                facts['movi_type_pos'] = body
            if kind == b'rec ':
                facts['rec'] = 'yes'
            if kind == b'strl':
                facts['streams'] = facts.get('streams', 0) + 1
            if kind != b'movi' or depth == 0:
                walk(f, body + 4, min(body + size, end), depth + 1, facts)
            else:
                # Only look inside movi for rec lists; chunks are many.
                scan_movi(f, body + 4, min(body + size, end), facts)
        elif fourcc == b'indx':
            facts['indx'] = 'yes'
        elif fourcc == b'idx1' and 'idx1_pos' not in facts:
            facts['idx1_pos'] = pos
            facts['idx1_entries'] = size // 16
            if size >= 16:
                f.seek(body)
                _, _, off, _ = struct.unpack('<4sIII', f.read(16))
                facts['idx1_first_offset'] = off
        pos = body + size + (size & 1)


def scan_movi(f, start, end, facts):
    f.seek(start)
    head = f.read(12)
    if len(head) == 12 and head[:4] == b'LIST' and head[8:12] == b'rec ':
        facts['rec'] = 'yes'
    facts['movi_first_chunk'] = start


def main():
    path = sys.argv[1]
    facts = {'indx': 'no', 'rec': 'no'}
    with open(path, 'rb') as f:
        f.seek(0, 2)
        size = f.tell()
        walk(f, 0, size, 0, facts)
    base = 'unknown'
    if 'idx1_first_offset' in facts and 'movi_type_pos' in facts:
        first = facts['idx1_first_offset']
        movi = facts['movi_type_pos']
        chunk = facts['movi_first_chunk']
        if first == chunk:
            base = 'absolute'
        elif movi + first == chunk:
            base = 'relative'
    facts['idx1_base'] = base
    keys = ['streams', 'idx1_base', 'indx', 'rec', 'movi_type_pos',
            'idx1_first_offset', 'idx1_entries']
    print(' '.join(f'{k}={facts.get(k, "-")}' for k in keys))


if __name__ == '__main__':
    main()
