#!/usr/bin/env python3
"""tavrin keyframes on every real sample against a direct reading of its idx1
index (every entry of the first video stream is a frame; a key frame has
AVIIF_KEYFRAME) and against ffprobe where ffprobe's packets are the index's
entries (no dropped or packed frames): the same key frames, each with its
data where ffprobe finds it and its size; times exact at the header's frame
time; the table form saying the same; files it cannot list refused with the
reason; usage errors."""
import json
import os
import struct
import subprocess
import sys

from clitest import CLI, SAMPLES, WINDOWS, check, failures, tavrin


def frame_micros(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    at = data.find(b"avih")
    return struct.unpack_from("<I", data, at + 8)[0]


def ffprobe_video_packets(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                        "packet=pos,size,flags", "-of", "json", path], capture_output=True)
    return json.loads(p.stdout)["packets"]


def index_video_frames(path):
    """(data offset, size, key) of every video entry of idx1, in order."""
    with open(path, "rb") as f:
        data = f.read()
    movi = data.find(b"movi")
    at = data.rfind(b"idx1")
    count = struct.unpack_from("<I", data, at + 4)[0] // 16
    frames = []
    for k in range(count):
        ckid, flags, offset, size = struct.unpack_from("<4sIII", data, at + 8 + 16 * k)
        if not ckid.startswith(b"00"):
            continue
        base = movi if data[movi + offset:movi + offset + 4] == ckid else 0  # gstreamer: from the file's start
        frames.append((base + offset + 8, size, bool(flags & 0x10)))
    return frames


def against_index(path, table):
    name = os.path.basename(path)
    rc, out, err = tavrin("keyframes", path, "--json")
    check(f"{name} exit", (rc, err), (0, ""))
    listed = json.loads(out)
    frames = index_video_frames(path)
    micros = frame_micros(path)
    check(f"{name} frames", listed["frames"], len(frames))
    check(f"{name} frame_us", listed["frame_us"], micros)
    want = [{"frame": i, "offset": o, "size": s} for i, (o, s, key) in enumerate(frames) if key]
    got = [{"frame": k["frame"], "offset": k["offset"], "size": k["size"]} for k in listed["key_frames"]]
    check(f"{name} key frames", got, want)
    packets = ffprobe_video_packets(path)
    if len(packets) == len(frames):  # ffprobe reads the same frames: it says the same
        check(f"{name} ffprobe's key frames", [(i, int(p["pos"]), int(p["size"]))
                                               for i, p in enumerate(packets) if p["flags"].startswith("K")],
              [(k["frame"], k["offset"], k["size"]) for k in got])
    else:
        print(f"note: {name}: ffprobe reads {len(packets)} video packets for {len(frames)} index entries")
    for k in listed["key_frames"]:
        if k["time_us"] != k["frame"] * micros or abs(k["seconds"] - k["time_us"] / 1e6) > 1e-9:
            failures.append(f"{name}: time of frame {k['frame']}: {k}")
            break
    if table:
        check_table(path, listed, want)


def check_table(path, listed, want):
    """The table: one row per key frame with the same numbers."""
    name = os.path.basename(path)
    rc, text, _ = tavrin("keyframes", path)
    rows = [line.split() for line in text.splitlines()[4:]]
    check(f"{name} table rows", [(int(r[0]), int(r[2]), int(r[3])) for r in rows],
          [(k["frame"], k["offset"], k["size"]) for k in want])
    if rows:
        last = listed["key_frames"][-1]
        us = last["time_us"]
        check(f"{name} table time", rows[-1][1],
              f"{us // 3600000000}:{us // 60000000 % 60:02d}:{us // 1000000 % 60:02d}.{us % 1000000:06d}")


def refusals(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    at = data.rfind(b"idx1")
    data[at:at + 4] = b"JUNK"
    with open("noindex.avi", "wb") as f:
        f.write(data)
    rc, out, err = tavrin("keyframes", "noindex.avi")
    check("no index", (rc, out, "no index (idx1)" in err), (1, "", True))
    with open("text.avi", "wb") as f:
        f.write(b"not a video at all")
    rc, out, err = tavrin("keyframes", "text.avi", "--json")
    check("not AVI", (rc, out, "not an AVI file" in err), (1, "", True))
    rc, _, err = tavrin("keyframes", "missing.avi")
    check("missing", (rc, "missing.avi" in err), (1, True))
    rc, _, err = tavrin("keyframes")
    check("no file", (rc, "usage: tavrin keyframes FILE [--json]" in err), (2, True))
    rc, _, err = tavrin("keyframes", path, "--bogus")
    check("unknown option", (rc, "unknown option '--bogus'" in err), (2, True))
    rc, out, _ = tavrin("keyframes", "--help")
    check("help", (rc, out.startswith("usage: tavrin keyframes")), (0, True))
    rc, out, _ = tavrin("info", path)
    check("info points to it", "tavrin keyframes FILE" in out, True)


def main():
    if not SAMPLES:
        print("SKIP: no samples")
        return 0
    with open(os.path.join(SAMPLES, "samples.txt")) as f:
        names = [line.split("\t")[0] for line in f.read().splitlines()[1:]]
    preview = os.path.join(SAMPLES, "preview")
    paths = [os.path.join(SAMPLES, n) for n in names]
    if os.path.isdir(preview):
        paths += [os.path.join(preview, n) for n in sorted(os.listdir(preview)) if n.endswith(".avi")]
    if WINDOWS:  # each run of tavrin-cli.exe under Wine takes seconds: a few files of each writer
        paths = paths[:2] + [p for p in paths if "gst_" in p or "mencoder_" in p][:2] + paths[-3:]
    for n, path in enumerate(paths):
        against_index(path, table=n < 3)
    refusals(paths[0])
    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures in {len(paths)} samples")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
