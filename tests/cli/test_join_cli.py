#!/usr/bin/env python3
"""tavrin join and the merge of many pieces on the command line, on pieces
from real writers: ffmpeg's segment muxer (three codec pairs), mencoder,
GStreamer's splitmuxsink and two separate recordings, joined in full and in
part (every chunk in order with its key flag, the header's counts true,
ffprobe silent); pairs of another format and outputs that name an input
refused with nothing written; and a recording split into three pieces with
the two-way split, merged back to its video chunks and PCM bytes."""
import json
import os
import shutil
import struct
import subprocess
import sys

from avi_file import riff_chunks
from clitest import SAMPLES, check, failures, tavrin

FF = ["ffmpeg", "-nostdin", "-v", "error", "-y"]


def sample(name):
    path = os.path.join(SAMPLES, name)
    return path if os.path.exists(path) else None


def run_quiet(args, seconds=90, tries=2):
    # mencoder reads keys from stdin: it gets none. A writer's pipeline that
    # hangs is tried again; hanging every time counts as the tool failing.
    for _ in range(tries):
        try:
            return subprocess.run(args, capture_output=True, stdin=subprocess.DEVNULL, timeout=seconds).returncode == 0
        except subprocess.TimeoutExpired:
            print(f"note: {args[0]} did not finish in {seconds} s")
    return False


def read_avi(path):
    """The header fields the tests check and every indexed chunk of a version-1
    file: (ckid, flags, data) in index order."""
    with open(path, "rb") as f:
        data = f.read()
    movi = idx1 = None
    for code, at, size in riff_chunks(data, 12, len(data)):
        if code == b"LIST" and data[at + 8:at + 12] == b"movi":
            movi = at + 8
        if code == b"idx1":
            idx1 = (at + 8, size // 16)
    entries = [struct.unpack_from("<4sIII", data, idx1[0] + 16 * i) for i in range(idx1[1])]
    first = next(e for e in entries if e[0][:1] == b"0")
    base = movi if data[movi + first[2]:movi + first[2] + 4] == first[0] else 0  # gstreamer: absolute
    chunks = [(ck, fl & 0x10, data[base + off + 8:base + off + 8 + ln]) for ck, fl, off, ln in entries if ck[:1] == b"0"]
    avih = data.index(b"avih")
    strh, at = [], data.find(b"strh")
    while 0 <= at < movi:
        strh.append(at)
        at = data.find(b"strh", at + 4)
    header = {"frames": struct.unpack_from("<I", data, avih + 24)[0],
              "lengths": [struct.unpack_from("<I", data, s + 40)[0] for s in strh],
              "buffers": [struct.unpack_from("<I", data, s + 44)[0] for s in strh],
              "types": [data[s + 8:s + 12] for s in strh],
              "size": struct.unpack_from("<I", data, 4)[0] + 8 == len(data)}
    return header, chunks


def ffprobe_errors(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "packet=stream_index", "-of", "csv", path],
                       capture_output=True)
    return p.stderr.decode("utf-8", "replace")


def check_joined(name, output, inputs):
    """Every stream's chunks and key flags are the inputs' one after the other."""
    header, got = read_avi(output)
    want = [c for path in inputs for c in read_avi(path)[1]]
    for s in range(len(header["types"])):
        ck = b"%02d" % s
        g = [c[1:] for c in got if c[0][:2] == ck]
        w = [c[1:] for c in want if c[0][:2] == ck]
        check(f"{name}: stream {s} chunks and flags", (len(g), g == w), (len(w), True))
        largest = max((len(c[1]) for c in w), default=0)
        check(f"{name}: stream {s} buffer size holds its largest chunk", header["buffers"][s] >= largest, True)
        if header["types"][s] == b"vids":
            check(f"{name}: video length", header["lengths"][s], len(w))
            check(f"{name}: avih frames", header["frames"], len(w))
    check(f"{name}: RIFF size", header["size"], True)
    check(f"{name}: ffprobe", ffprobe_errors(output), "")


def join_ok(name, inputs, output):
    code, out, err = tavrin("join", *inputs, "--output", output, "--json")
    check(f"{name}: exit", (code, err), (0, ""))
    if code != 0:
        return
    result = json.loads(out)
    check(f"{name}: result", (result["result"], result["outputs"]), (0, [output]))
    check(f"{name}: bytes", result["joined"]["bytes"], os.path.getsize(output))
    check_joined(name, output, inputs)


def segments(src, prefix, seconds):
    """ffmpeg's segment muxer's pieces of src, in order."""
    if not run_quiet(FF + ["-i", src, "-c", "copy", "-map", "0", "-f", "segment", "-segment_time", str(seconds),
                           "-reset_timestamps", "1", prefix + "%d.avi"]):
        return []
    numbered = [p for p in os.listdir(".") if p.startswith(prefix) and p[len(prefix):-4].isdigit()]
    return sorted(numbered, key=lambda p: int(p[len(prefix):-4]))


def real_writers():
    for name, seconds in [("ffmpeg_mpeg4_pcm_g12.avi", 8), ("ffmpeg_mjpeg_pcm_g1.avi", 6),
                          ("ffmpeg_mpeg4_ac3_g12.avi", 8), ("ffmpeg_mpeg4_mp3_g25_150s.avi", 40)]:
        src = sample(name)
        if not src:
            print(f"SKIP: no sample {name}")
            continue
        prefix = name[:-4] + "-seg"
        pieces = segments(src, prefix, seconds)
        check(f"{name}: ffmpeg made pieces", len(pieces) >= 3, True)
        if len(pieces) >= 3:
            join_ok(f"{name} segments", pieces, prefix + "-all.avi")
            join_ok(f"{name} segments 2..3", pieces[1:3], prefix + "-part.avi")

    src = sample("ffmpeg_mjpeg_pcm_g1.avi")
    if src and shutil.which("mencoder"):
        ok = run_quiet(["mencoder", "-really-quiet", src, "-ovc", "copy", "-oac", "pcm", "-endpos", "8", "-o", "men1.avi"]) \
            and run_quiet(["mencoder", "-really-quiet", src, "-ovc", "copy", "-oac", "pcm", "-ss", "8", "-o", "men2.avi"])
        if ok:
            join_ok("mencoder pieces", ["men1.avi", "men2.avi"], "men-j.avi")
        else:
            print("SKIP: mencoder could not cut the sample")

    if shutil.which("gst-launch-1.0"):
        ok = run_quiet(["gst-launch-1.0", "-q", "-e", "videotestsrc", "num-buffers=150", "!",
                        "video/x-raw,width=160,height=120,framerate=25/1", "!", "jpegenc", "!",
                        "splitmuxsink", "muxer=avimux", "location=gst%02d.avi", "max-size-time=2000000000"],
                        # It finishes in a fraction of a second, or hangs at its end (about one
                        # run in ten here, more on a loaded machine).
                        seconds=10, tries=4)
        pieces = sorted(p for p in os.listdir(".") if p.startswith("gst") and p.endswith(".avi"))
        if ok and len(pieces) >= 2:
            join_ok("splitmuxsink pieces", pieces, "gst-j.avi")
        else:
            print("SKIP: GStreamer's splitmuxsink made no pieces")

    # Two recordings with the same settings, of different lengths and tones.
    for i, (secs, tone) in enumerate([(3, 440), (2, 660)]):
        run_quiet(FF + ["-f", "lavfi", "-i", f"testsrc=size=160x120:rate=25:duration={secs}", "-f", "lavfi", "-i",
                        f"sine=frequency={tone}:sample_rate=44100:duration={secs}", "-c:v", "mpeg4", "-g", "12",
                        "-c:a", "pcm_s16le", f"rec{i}.avi"])
    join_ok("two recordings", ["rec0.avi", "rec1.avi", "rec0.avi"], "recs.avi")
    # The default name: the first file's with -j.avi.
    code, out, _ = tavrin("join", "rec0.avi", "rec1.avi")
    check("default name", (code, os.path.exists("rec0-j.avi")), (0, True))
    check("plain output names the file", "rec0-j.avi:" in out, True)


def refusals():
    def make(name, size="160x120", codec="mpeg4", rate=44100, audio=True):
        args = FF + ["-f", "lavfi", "-i", f"testsrc=size={size}:rate=25:duration=2"]
        if audio:
            args += ["-f", "lavfi", "-i", f"sine=sample_rate={rate}:duration=2", "-c:a", "pcm_s16le"]
        run_quiet(args + ["-c:v", codec, name])

    make("base.avi")
    make("big.avi", size="320x240")
    make("mjpeg.avi", codec="mjpeg")
    make("rate.avi", rate=48000)
    make("silent.avi", audio=False)
    cases = [("big.avi", "frame size 320x240, the first file has 160x120"),
             ("mjpeg.avi", "codec"), ("rate.avi", "sample rate 48000 Hz, the first file has 44100 Hz"),
             ("silent.avi", "1 streams, the first file has 2")]
    for other, why in cases:
        before = sorted(os.listdir("."))
        code, out, err = tavrin("join", "base.avi", other, "--output", "refused.avi", "--json")
        result = json.loads(out) if out else {}
        check(f"{other}: exit", code, 1)
        check(f"{other}: result", result.get("result", 0) != 0, True)
        check(f"{other}: nothing written", (result.get("outputs"), sorted(os.listdir("."))), ([], before))
        check(f"{other}: the file and the difference named", other + ": " in result.get("detail", "") and
              why in result.get("detail", "") and why in err, True)
    code, out, _ = tavrin("join", "base.avi", "big.avi", "--lang", "ja")
    check("Japanese refusal", (code, "フレームサイズ 320x240（最初のファイルは 160x120）" in out), (1, True))

    # An output that names an input, also through a link.
    os.symlink("base.avi", "link.avi")
    original = open("base.avi", "rb").read()
    for output in ["base.avi", "link.avi"]:
        code, out, _ = tavrin("join", "base.avi", "base.avi", "--output", output, "--json")
        result = json.loads(out)
        check(f"output {output}: refused", (code, result["result"] != 0, result["outputs"]), (1, True, []))
        check(f"output {output}: reason", "names the input" in result.get("detail", ""), True)
    check("the input is unchanged", open("base.avi", "rb").read() == original, True)

    # merge --write --json whose write is refused is no success.
    code, out, _ = tavrin("merge", "base.avi", "base.avi", "--write", "--output", "link.avi", "--json")
    result = json.loads(out)
    check("merge --write refused: result", (code, result["result"] != 0, result["outputs"]), (1, True, []))

    code, _, err = tavrin("join", "base.avi")
    check("one file is a usage error", (code, "usage" in err), (2, True))


def merge_many():
    """A recording split into three pieces with the two-way split (25 fps and
    44.1 kHz: every cut falls on a whole sample), merged back."""
    src = sample("ffmpeg_mpeg4_pcm_g12.avi")
    if not src:
        print("SKIP: no PCM sample")
        return
    shutil.copy(src, "clip.avi")
    overlaps = []
    for name, cut, overlap in [("clip.avi", "10", "2"), ("rest.avi", "9", "3")]:
        code, out, _ = tavrin("split", name, "--seconds", cut, "--overlap", overlap, "--json")
        check(f"split {name}", code, 0)
        if code != 0:
            return
        split = json.loads(out)
        overlaps.append(split["cut"]["frame"] - split["second_start"]["frame"])
        if name == "clip.avi":
            os.rename("clip-2.avi", "rest.avi")
    pieces = ["clip-1.avi", "rest-1.avi", "rest-2.avi"]
    code, out, _ = tavrin("merge", *pieces, "--json")
    result = json.loads(out)
    check("merge of three, no writing", (code, result["result"], result["outputs"], os.path.exists("clip-m.avi")),
          (0, 0, [], False))
    check("seam overlaps: what the splits repeated", [s["overlap"]["frames"] for s in result.get("seams", [])], overlaps)
    code, out, _ = tavrin("merge", *pieces, "--write", "--json")
    result = json.loads(out)
    check("merge of three written", (code, result["outputs"]), (0, ["clip-m.avi"]))
    if code != 0:
        return
    _, original = read_avi("clip.avi")
    _, merged = read_avi("clip-m.avi")
    video = lambda chunks: [c[1:] for c in chunks if c[0][:2] == b"00"]
    pcm = lambda chunks: b"".join(c[2] for c in chunks if c[0][:2] == b"01")
    check("video chunks and flags come back", video(merged) == video(original), True)
    check("PCM bytes come back", pcm(merged) == pcm(original), True)
    check("merged: ffprobe", ffprobe_errors("clip-m.avi"), "")


def main():
    if not shutil.which("ffmpeg"):
        print("SKIP: no ffmpeg")
        return 0
    # A fresh folder: files of an earlier run must not pass for this one's.
    shutil.rmtree("work", ignore_errors=True)
    os.mkdir("work")
    os.chdir("work")
    real_writers()
    refusals()
    merge_many()
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
