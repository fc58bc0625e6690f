"""What the --clone tests share: a reading of an AVI file's streams (header
counts, idx1 entries, chunk bytes through the index), ffprobe's complaints,
the FIEMAP shared share, and the split, merge, join and pieces runs
compared."""
import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys

from clitest import CLI, check, tavrin

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "..", "tools")


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def streams(path):
    """What a player sees: avih dwTotalFrames, every strh dwLength, and each
    idx1 entry's code, flags, size and data digest (taken where the entry
    points). JUNK and sizes of RIFF and movi are not part of it."""
    with open(path, "rb") as f:
        b = f.read()
    facts = {"lengths": []}
    pos, movi, idx1 = 12, None, None
    todo = [(12, len(b))]
    while todo:
        pos, end = todo.pop()
        while pos + 8 <= end:
            code, size = b[pos:pos + 4], u32(b, pos + 4)
            if code in (b"RIFF", b"LIST"):
                kind = b[pos + 8:pos + 12]
                if kind == b"movi":
                    movi = pos + 8
                elif kind in (b"hdrl", b"strl"):
                    todo.append((pos + 12, pos + 8 + size))
            elif code == b"avih":
                facts["frames"] = u32(b, pos + 8 + 16)
            elif code == b"strh":
                facts["lengths"].append(u32(b, pos + 8 + 32))
            elif code == b"idx1":
                idx1 = pos
            pos += 8 + size + (size & 1)
    entries = []
    for e in range(idx1 + 8, idx1 + 8 + u32(b, idx1 + 4), 16):
        ckid, flags, offset, size = struct.unpack_from("<4sIII", b, e)
        at = movi + offset
        if b[at:at + 4] != ckid or u32(b, at + 4) != size:
            entries.append(("entry names no chunk", e))
            continue
        entries.append((ckid, flags, size, hashlib.sha1(b[at + 8:at + 8 + size]).hexdigest()))
    facts["index"] = entries
    return facts


def ffprobe_errors(path):
    """What ffprobe -v error says while it reads every packet and decodes the video."""
    p = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_entries", "stream=nb_read_frames",
                        "-of", "csv=p=0", path], capture_output=True)
    return p.stderr.decode("utf-8", "replace").strip()


def shared_shares(paths):
    """Percent of each file's bytes in extents it shares with another file."""
    p = subprocess.run([sys.executable, os.path.join(TOOLS, "fiemap_shared.py"), "--json", *paths],
                       capture_output=True, check=True)
    return {row["file"]: row["percent"] for row in json.loads(p.stdout)}


def split_both_ways(folder, source, seconds, overlap):
    """Splits a copy of source in folder/plain and one in folder/clone (with
    --clone). Returns (the clone run's JSON, its stderr)."""
    for sub in ("plain", "clone"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
        shutil.copyfile(source, os.path.join(folder, sub, "clip.avi"))
    args = ["--seconds", str(seconds), "--overlap", str(overlap), "--json"]
    code, _, err = tavrin("split", os.path.join(folder, "plain", "clip.avi"), *args)
    check(f"{folder} split exit", code, 0)
    code, out, err = tavrin("split", os.path.join(folder, "clone", "clip.avi"), *args, "--clone")
    check(f"{folder} split --clone exit", code, 0)
    return json.loads(out), err


def merge_both_ways(folder):
    """Merges the pieces of split_both_ways into folder/plain/m.avi and, with
    --clone, folder/clone/m.avi. Returns (the clone run's JSON, its stderr)."""
    for sub, extra in (("plain", []), ("clone", ["--clone"])):
        d = os.path.join(folder, sub)
        code, out, err = tavrin("merge", os.path.join(d, "clip-1.avi"), os.path.join(d, "clip-2.avi"),
                                "--write", "--output", os.path.join(d, "m.avi"), "--json", *extra)
        check(f"{folder} merge {extra} exit", code, 0)
    return json.loads(out), err


def outputs(folder, sub):
    return [os.path.join(folder, sub, n) for n in ("clip-1.avi", "clip-2.avi", "m.avi")]


def join_both_ways(folder):
    """Joins the parts of split_both_ways, overlap and all, into
    folder/plain/j.avi and, with --clone, folder/clone/j.avi. Returns (the
    clone run's JSON, its stderr)."""
    for sub, extra in (("plain", []), ("clone", ["--clone"])):
        d = os.path.join(folder, sub)
        code, out, err = tavrin("join", os.path.join(d, "clip-1.avi"), os.path.join(d, "clip-2.avi"),
                                "--output", os.path.join(d, "j.avi"), "--json", *extra)
        check(f"{folder} join {extra} exit", code, 0)
    return json.loads(out), err


def pieces_both_ways(folder, source, *args):
    """Splits a copy of source into pieces (args: --every T, or --size-mb N
    --all) in folder/pieces-plain and, with --clone, in folder/pieces-clone,
    then merges each set of pieces back with --write (and --clone) into
    m.avi beside them. Returns, for the clone runs, (the split's JSON and
    stderr, the merge's JSON and stderr), and the plain and cloned files in
    pairs (every piece, then m.avi)."""
    runs = {}
    for sub, extra in (("pieces-plain", []), ("pieces-clone", ["--clone"])):
        d = os.path.join(folder, sub)
        os.makedirs(d, exist_ok=True)
        shutil.copyfile(source, os.path.join(d, "clip.avi"))
        code, out, err = tavrin("split", os.path.join(d, "clip.avi"), *args, "--json", *extra)
        check(f"{d} split {' '.join(args)} {extra} exit", code, 0)
        split = (json.loads(out), err)
        pieces = split[0].get("outputs", [])
        check(f"{d} pieces", len(pieces) >= 3, True)
        merged = os.path.join(d, "m.avi")
        code, out, err = tavrin("merge", *pieces, "--write", "--output", merged, "--json", *extra)
        check(f"{d} merge of the pieces {extra} exit", code, 0)
        runs[sub] = (split, (json.loads(out), err), pieces + [merged])
    split, merge, clones = runs["pieces-clone"]
    return split, merge, list(zip(runs["pieces-plain"][2], clones))


def repair_both_ways(folder, source):
    """Repairs a copy of source cut at 4/5 of its bytes (its index lost) into
    folder/plain/r.avi and, with --clone, folder/clone/r.avi. Returns (the
    clone run's JSON, its stderr)."""
    with open(source, "rb") as f:
        cut = f.read()
    cut = cut[:len(cut) * 4 // 5]
    for sub, extra in (("plain", []), ("clone", ["--clone"])):
        d = os.path.join(folder, sub)
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, "cut.avi"), "wb") as f:
            f.write(cut)
        code, out, err = tavrin("repair", os.path.join(d, "cut.avi"), "--output", os.path.join(d, "r.avi"), "--json",
                                *extra)
        check(f"{folder} repair {extra} exit", code, 0)
    return json.loads(out), err


def cut_both_ways(folder, source, *ranges):
    """Cuts a copy of source (each range a --keep) into one file, cut-c.avi,
    and into a file per range, cut-1.avi ..., in folder/plain and, with
    --clone, folder/clone. Returns (the clone runs' JSON and stderr, one file
    then separate), and the plain and cloned files in pairs."""
    runs = {}
    keep = [x for r in ranges for x in ("--keep", r)]
    for sub, extra in (("plain", []), ("clone", ["--clone"])):
        d = os.path.join(folder, sub)
        os.makedirs(d, exist_ok=True)
        shutil.copyfile(source, os.path.join(d, "cut.avi"))
        done = []
        for separate in ([], ["--separate"]):
            code, out, err = tavrin("cut", os.path.join(d, "cut.avi"), *keep, *separate, "--json", *extra)
            check(f"{d} cut {separate} {extra} exit", code, 0)
            done.append((json.loads(out), err))
        names = done[0][0].get("outputs", []) + done[1][0].get("outputs", [])
        check(f"{d} cut outputs", len(names), 1 + len(ranges))
        runs[sub] = (done, names)
    return runs["clone"][0], list(zip(runs["plain"][1], runs["clone"][1]))


def streams_both_ways(folder, source):
    """Writes a copy of source without its last stream (the others keep their
    numbers, so their chunks go as runs of the input's bytes) into
    folder/plain/s.avi and, with --clone, folder/clone/s.avi. Returns (the
    clone run's JSON, its stderr)."""
    last = str(len(json.loads(tavrin("info", source, "--json")[1])["streams"]) - 1)
    for sub, extra in (("plain", []), ("clone", ["--clone"])):
        d = os.path.join(folder, sub)
        os.makedirs(d, exist_ok=True)
        shutil.copyfile(source, os.path.join(d, "in.avi"))
        code, out, err = tavrin("streams", os.path.join(d, "in.avi"), "--drop", last, "--output",
                                os.path.join(d, "s.avi"), "--json", *extra)
        check(f"{folder} streams {extra} exit", code, 0)
    return json.loads(out), err
