#!/usr/bin/env python3
"""tavrin cut on real writers' files, held to the rule computed here from
the input's own index: for every kept range [A, B), frames from the last key
frame at or before floor(A R) to the first key frame at or after ceil(B R)
(R = the video's dwRate/dwScale, in exact fractions), PCM from sample
floor(S scale_v rate_a / (rate_v scale_a)) to the same at E, other sound by
whole chunks as the two-way split shares them. Each output's streams
(payloads, key flags, PCM bytes) are compared with that, its header counts
with its index, ffprobe must read it silently, and joining the --separate
files gives the one file's streams. Then the lists, refusals and a cancel."""
import hashlib
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor
from fractions import Fraction
from math import ceil, floor

from avi_file import Avi
from clitest import SAMPLES, SKIPPED, WINDOWS, cancelled_at_flush, check, failures, sample, tavrin

KEY = 0x10


def parse_time(text):
    """seconds or [H:]M:SS[.fff] as an exact fraction."""
    parts = text.strip().split(":")
    value = Fraction(0)
    for p in parts[:-1]:
        value = value * 60 + int(p)
    return value * (60 if len(parts) > 1 else 1) + Fraction(parts[-1])


def snapped(avi, ranges, separate):
    """The rule: each (A, B) in seconds (None: open) to frames [S, E), merged
    unless separate."""
    v = avi.streams[avi.video]
    rate = Fraction(v["rate"], v["scale"])
    frames = avi.stream(avi.video)
    keys = [i for i, (flags, _) in enumerate(frames) if flags & KEY]
    count = len(frames)
    out = []
    for a, b in ranges:
        fa = 0 if a is None else floor(a * rate)
        if fa >= count:
            continue  # kept after a drop that ends past the end: nothing
        s = max([k for k in keys if k <= fa], default=0)
        fb = count if b is None else ceil(b * rate)
        e = min([k for k in keys if k >= fb], default=count)
        out.append([s, e])
    if separate:
        return out, count
    merged = []
    for s, e in sorted(out):
        if merged and s <= merged[-1][1]:
            merged[-1][1] = max(merged[-1][1], e)
        else:
            merged.append([s, e])
    return merged, count


def expected_streams(avi, ranges):
    """Per stream: the payload bytes and (video) key flags the outputs hold."""
    count = len(avi.stream(avi.video))
    v = avi.streams[avi.video]
    want = {}
    for s, st in enumerate(avi.streams):
        chunks = avi.stream(s)
        payload, flags = b"", []
        if s == avi.video:
            for a, b in ranges:
                payload += b"".join(p for _, p in chunks[a:b])
                flags += [f & KEY for f, _ in chunks[a:b]]
        elif avi.pcm(s):
            whole = b"".join(p for _, p in chunks)
            bs = st["sample_size"]
            at = lambda f: f * v["scale"] * st["rate"] // (v["rate"] * st["scale"]) * bs
            for a, b in ranges:
                payload += whole[at(a):len(whole) if b == count else at(b)]
        else:
            n = len(chunks)
            for a, b in ranges:
                payload += b"".join(p for _, p in chunks[n * a // count:n if b == count else n * b // count])
        want[s] = (payload, flags)
    return want


def digest(streams):
    """Streams as short comparable figures: per stream its bytes, their SHA-1 and the key flags."""
    return {s: (len(p), hashlib.sha1(p).hexdigest()[:12], hashlib.sha1(bytes(f)).hexdigest()[:12])
            for s, (p, f) in streams.items()}


def got_streams(avis):
    got = {}
    for s in range(len(avis[0].streams)):
        payload, flags = b"", []
        for avi in avis:
            chunks = avi.stream(s)
            payload += b"".join(p for _, p in chunks)
            if s == avi.video:
                flags += [f & KEY for f, _ in chunks]
        got[s] = (payload, flags)
    return got


def check_output(name, path, pieces):
    """Header counts true, first frame a key frame, ffprobe silent."""
    avi = Avi(path)
    video = avi.stream(avi.video)
    check(f"{name} frames in header", (avi.frames_in_header, avi.streams[avi.video]["length"]), (len(video), len(video)))
    check(f"{name} starts with a key frame", bool(video) and bool(video[0][0] & KEY), True)
    for s, st in enumerate(avi.streams):
        if avi.pcm(s):
            pcm = sum(len(p) for _, p in avi.stream(s))
            check(f"{name} stream {s} length", st["length"], pcm // st["sample_size"])
    probe(name, path)
    return avi


# ffprobe takes half a second to start: the outputs are linked aside and
# read four at a time while the test goes on.
_probes = []
_pool = ThreadPoolExecutor(4)


def probe(name, path):
    if not shutil.which("ffprobe"):
        return
    os.makedirs("probed", exist_ok=True)
    kept = os.path.join("probed", f"{len(_probes)}.avi")
    os.link(path, kept)
    run = lambda: subprocess.run(["ffprobe", "-v", "error", kept], capture_output=True)
    _probes.append((name, _pool.submit(run)))


def probes_done():
    for name, future in _probes:
        p = future.result()
        check(f"{name} ffprobe", (p.returncode, p.stderr.decode()), (0, ""))
    shutil.rmtree("probed", ignore_errors=True)


def ranges_of(args):
    out = []
    for text in args:
        a, b = text.split("-")
        out.append((parse_time(a) if a.strip() else None, parse_time(b) if b.strip() else None))
    return out


def between(dropped, length):
    """Kept ranges between dropped ones (seconds)."""
    spans = sorted((a or 0, b if b is not None else length + 1) for a, b in dropped)
    kept, at = [], None
    for a, b in spans:
        if a > (at or 0):
            kept.append((at, a))
        at = max(at or 0, b)
    if at is not None and at <= length:
        kept.append((at, None))
    return kept


def run_cut(name, src, args, ranges, separate, stem):
    """Cuts src as args say; checks the outputs against the rule; returns the one file's or the files' streams."""
    code, out, err = tavrin("cut", src, *args, "--json")
    check(f"{name} exit", (code, err), (0, ""))
    if code != 0:
        return None
    doc = json.loads(out)
    avi = Avi(src)
    want_ranges, count = snapped(avi, ranges, separate)
    check(f"{name} ranges", [[r["first_frame"], r["first_frame"] + r["frames"]] for r in doc["ranges"]], want_ranges)
    kept = set()
    for a, b in want_ranges:
        kept.update(range(a, b))
    check(f"{name} dropped", doc["dropped_frames"], count - len(kept))
    names = [f"{stem}-{i}.avi" for i in range(1, len(want_ranges) + 1)] if separate else [f"{stem}-c.avi"]
    check(f"{name} outputs", doc["outputs"], names)
    outs = [check_output(f"{name} {n}", n, None) for n in names if os.path.exists(n)]
    if len(outs) != len(names):
        return None
    if separate:
        for i, (avi_out, r) in enumerate(zip(outs, want_ranges)):
            check(f"{name} file {i + 1} streams", digest(got_streams([avi_out])), digest(expected_streams(avi, [r])))
    else:
        check(f"{name} streams", digest(got_streams(outs)), digest(expected_streams(avi, want_ranges)))
    return outs


def make_extra(folder):
    """H.264 + MP3 (B-frames), and NTSC 30000/1001 MPEG-4 with 48 kHz PCM."""
    made = {}
    if not shutil.which("ffmpeg"):
        return made
    src = ["-f", "lavfi", "-i", "testsrc2=size=96x64:rate={r}:duration=8",
           "-f", "lavfi", "-i", "sine=frequency=330:sample_rate={a}:duration=8"]
    jobs = {
        "h264_mp3.avi": ("25", "44100", ["-c:v", "libx264", "-g", "25", "-bf", "2", "-pix_fmt", "yuv420p",
                                        "-c:a", "libmp3lame", "-b:a", "64k"]),
        "ntsc_pcm48.avi": ("30000/1001", "48000", ["-c:v", "mpeg4", "-g", "15", "-c:a", "pcm_s16le", "-ac", "2"]),
    }
    for name, (r, a, codec) in jobs.items():
        path = os.path.join(folder, name)
        cmd = ["ffmpeg", "-nostdin", "-v", "error", "-y"] + [x.format(r=r, a=a) for x in src] + codec + [path]
        if subprocess.run(cmd, capture_output=True).returncode == 0:
            made[name] = path
    return made


def files_with(prefix):
    return sorted(n for n in os.listdir(".") if n.startswith(prefix))


def clear(prefix):
    for n in files_with(prefix + "-"):
        os.remove(n)


def keep_drop_separate(stem):
    src = stem + ".avi"
    length = Fraction(len(Avi(src).stream(Avi(src).video)) * Avi(src).streams[Avi(src).video]["scale"],
                      Avi(src).streams[Avi(src).video]["rate"])
    keep = ["0.7-2.3", "1:00.5-1:01", "3.2-4.1", "4.0-4.6", "-0.3"]
    keep = [k for k in keep if not k.startswith("1:")] + (["6.5-"] if length > 7 else [])
    args = [x for k in keep for x in ("--keep", k)]
    one = run_cut(f"{stem} keep", src, args, ranges_of(keep), False, stem)
    clear(stem)
    sep = run_cut(f"{stem} separate", src, args + ["--separate"], ranges_of(keep), True, stem)
    if one and sep:
        names = files_with(stem + "-")
        code, _, err = tavrin("join", *[f"{stem}-{i}.avi" for i in range(1, len(names) + 1)], "--output", "joined.avi")
        check(f"{stem} join of separate", (code, err), (0, ""))
        # The separate files overlap (0.7-2.3 and -0.3 share frame 0's group;
        # 3.2-4.1 and 4.0-4.6 touch): the join holds those frames twice. Joined
        # without the overlaps, the ranges merged give the one file.
        merged = run_cut(f"{stem} disjoint", src, ["--keep", "0.7-2.3", "--keep", "3.2-4.1"], ranges_of(["0.7-2.3", "3.2-4.1"]),
                         False, stem)
        clear(stem)
        apart = run_cut(f"{stem} disjoint separate", src, ["--keep", "0.7-2.3", "--keep", "3.2-4.1", "--separate"],
                        ranges_of(["0.7-2.3", "3.2-4.1"]), True, stem)
        if merged is not None and apart is not None and len(merged) == 1 and len(apart) == 2 and \
                len(json.loads(tavrin("cut", src, "--keep", "0.7-2.3", "--keep", "3.2-4.1", "--output", "probe.avi",
                                      "--json")[1])["ranges"]) == 2:
            names = files_with(stem + "-")
            tavrin("join", *[n for n in names if n != f"{stem}-c.avi"], "--output", "joined.avi")
            check(f"{stem} join gives the one file", digest(got_streams([Avi("joined.avi")])), digest(got_streams(merged)))
        for n in ("joined.avi", "probe.avi"):
            if os.path.exists(n):
                os.remove(n)
    clear(stem)
    drop = ["1-2.5", "2.5-3", "5-5.1"]
    run_cut(f"{stem} drop", src, [x for d in drop for x in ("--drop", d)], between(ranges_of(drop), length), False, stem)
    clear(stem)
    run_cut(f"{stem} drop separate", src, [x for d in drop for x in ("--drop", d)] + ["--separate"],
            between(ranges_of(drop), length), True, stem)
    clear(stem)
    return length


def lists(stem, length):
    src = stem + ".avi"
    avi = Avi(src)
    v = avi.streams[avi.video]
    rate = Fraction(v["rate"], v["scale"])
    # EDL: actions 0 and 3 dropped, 1 kept.
    with open("marks.edl", "w") as f:
        f.write("1.0 2.2 0\n3.0 3.5 1\n4.0 5.25 3\n")
    dropped = [(Fraction(1), Fraction("2.2")), (Fraction(4), Fraction("5.25"))]
    out = run_cut(f"{stem} edl", src, ["--list", "marks.edl"], between(dropped, length), False, stem)
    clear(stem)
    # comskip: frame numbers, dropped: [START, END) in frames is the time START/R .. END/R.
    with open("marks.txt", "w") as f:
        f.write(f"FILE PROCESSING COMPLETE  {len(avi.stream(avi.video))} FRAMES AT  {int(rate * 100)}\n")
        f.write("-------------------\n30\t70\n100\t140\n")
    dropped = [(Fraction(30) / rate, Fraction(70) / rate), (Fraction(100) / rate, Fraction(140) / rate)]
    run_cut(f"{stem} comskip", src, ["--list", "marks.txt"], between(dropped, length), False, stem)
    clear(stem)
    with open("marks.csv", "w") as f:
        f.write('0.500000,1.750000,"Intro, ""one"""\n4.000000,,\n')
    run_cut(f"{stem} csv", src, ["--list", "marks.csv", "--separate"],
            [(Fraction("0.5"), Fraction("1.75")), (Fraction(4), None)], True, stem)
    clear(stem)
    with open("keep.list", "w") as f:
        f.write("# kept\n0:01-0:02.5  # first\n\n3-4\n")
    run_cut(f"{stem} plain", src, ["--list", "keep.list"], ranges_of(["0:01-0:02.5", "3-4"]), False, stem)
    for name, fmt in (("marks.edl", "edl"), ("marks.txt", "comskip"), ("marks.csv", "csv"), ("keep.list", "plain")):
        code, out, _ = tavrin("cut", src, "--list", name, "--json")
        check(f"list format {name}", (code, json.loads(out).get("list_format")), (0, fmt))
    clear(stem)


def refusals(stem, length):
    src = stem + ".avi"
    before = sorted(os.listdir("."))
    cases = [
        (["--keep", "5-3"], 2, "A range ends before it starts"),
        (["--keep", "1:75-2:00"], 2, "Not a range"),
        (["--keep", "1-2", "--drop", "3-4"], 2, "Ranges to keep and ranges to drop do not mix"),
        ([], 2, "No range to cut"),
        (["--keep", f"{int(length) + 5}-"], 1, "A range starts after the end of the recording"),
        (["--drop", "-"], 1, "Nothing would be kept"),
        (["--list", "missing.edl"], 2, "The cut list cannot be read"),
        (["--list", "bad.txt"], 2, "The cut list has a line that is not a range"),
        (["--keep", "1-2", "--output", src], 2, "Can't Create File (an output would replace the input file)"),
    ]
    with open("bad.txt", "w") as f:
        f.write("1-2\n# fine\nthree-four\n")
    for args, code, text in cases:
        got, out, err = tavrin("cut", src, *args)
        check(f"refusal {args}", (got, out.startswith(text)), (code, True))
        check(f"refusal {args} says why", err.startswith("tavrin cut: "), True)
    got, out, err = tavrin("cut", src, "--list", "bad.txt", "--lang", "ja")
    check("bad line named (ja)", (got, "3 行目" in out, "line 3" in err), (2, True, True))
    got, out, err = tavrin("cut", src, "--keep", f"{int(length) + 5}-", "--lang", "ja")
    check("after the end (ja)", (got, "録画の長さは" in out), (1, True))
    os.remove("bad.txt")
    # A recording cut short: the reason and the repair hint, as split gives them.
    with open(src, "rb") as f, open("short.avi", "wb") as g:
        g.write(f.read()[:os.path.getsize(src) * 2 // 3])
    got, out, err = tavrin("cut", "short.avi", "--keep", "1-2")
    check("damaged input", (got, out.startswith("The file is damaged\n\nThe file is cut short"), "tavrin repair" in out,
                            err.startswith("tavrin cut: short.avi: The file is cut short")), (1, True, True, True))
    os.remove("short.avi")
    check("refusals write nothing", sorted(os.listdir(".")), before)


def cancel(stem):
    """SIGINT while the outputs are flushed (strace raises it at the first
    fsync): cancelled, nothing left, no temporary file."""
    # Under Wine the flush runs in wineserver, not in the traced program.
    if not shutil.which("strace") or WINDOWS:
        return
    for extra in ([], ["--separate"]):
        for at in (1, 2) if extra else (1,):
            cancelled_at_flush(f"{stem} SIGINT at flush {at} {extra}",
                               ["cut", stem + ".avi", "--keep", "0-3", "--keep", "4-", *extra], at)


def main():
    if not SAMPLES:
        print("SKIPPED: TAVRIN_SAMPLES not set")
        return SKIPPED
    started = time.time()
    inputs = {}
    for name in ("ffmpeg_mpeg4_pcm_g12.avi", "ffmpeg_mjpeg_pcm_g1.avi", "mencoder_mpeg4_mp3vbr_g250.avi",
                 "gst_mpeg4_mp3_g12.avi", "ffmpeg_mpeg4_pcm+mp3_g25.avi"):
        if sample(name):
            inputs[name] = sample(name)
    inputs.update(make_extra("."))
    if WINDOWS:
        # Under Wine every run takes a second: the Windows program is held to
        # the rule on two inputs (MPEG-4 + PCM, NTSC with 48 kHz PCM and the
        # lists), the native one on all.
        inputs = {n: p for n, p in inputs.items() if n in ("ffmpeg_mpeg4_pcm_g12.avi", "ntsc_pcm48.avi")}
    for name, path in sorted(inputs.items()):
        stem = name[:-4].replace("+", "_")
        if os.path.abspath(path) != os.path.abspath(stem + ".avi"):
            shutil.copy(path, stem + ".avi")
        length = keep_drop_separate(stem)
        # The lists, refusals and cancel on one input: NTSC with 48 kHz PCM where ffmpeg made it.
        if name == ("ntsc_pcm48.avi" if "ntsc_pcm48.avi" in inputs else "ffmpeg_mpeg4_pcm_g12.avi"):
            lists(stem, length)
            refusals(stem, length)
            cancel(stem)
        os.remove(stem + ".avi")
    probes_done()
    for f in ("marks.edl", "marks.txt", "marks.csv", "keep.list"):
        if os.path.exists(f):
            os.remove(f)
    print(f"{len(inputs)} inputs in {time.time() - started:.1f} s")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
