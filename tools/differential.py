#!/usr/bin/env python3
"""Differential run: two tavrin binaries, every sample, every command.

Usage: tools/differential.sh OLD_TAVRIN NEW_TAVRIN [SAMPLES_DIR]
                             [-j N] [-v] [--full] [--only REGEX] [--keep]
(SAMPLES_DIR defaults to build/samples, made by tools/make_samples.sh when
missing.) Run it after a change that must not change behaviour, with OLD a
build from before the change; it exits 0 when every run matched, 1 when any
differed, 2 when it could not run. About a minute on two idle cores.

For every sample it prepares inputs once (the sample; its two parts and its
first three pieces, as OLD splits them; a copy cut short mid-movi; a copy
without idx1; a header cut short; a file that is no AVI; a cut list of each
kind, EDL and CSV; for dub, ffmpeg's tones - 16- and 8-bit WAV, MP3, AC-3 -
and 8 s of the sample's own sound as WAV; the sample with the 8-bit tone
added by OLD's dub) and runs every case of cases() below - every command:
info, split, pieces, merge, join, repair, cut, streams, extract (each
stream), dub, shift (each sound stream, both ways), keyframes and their
refusals - once with each binary, in four variants that hold every value of
--clone, --json and --lang (en, ja) and every pair of two of them (--full:
all eight combinations; extract, dub and shift, without --clone, the four
of --json and --lang); info runs plain, --layout and --json, keyframes plain
and --json. A refusal (fail.*) is much alike on every sample: its variants
are dealt out over the samples, one each in turn (--full: all of them).
Each run gets a fresh folder holding only its inputs; the two binaries run in
turn at the same path (so messages naming files compare), and the folder is
then renamed aside. Compared: exit code, stdout (JSON parsed: values equal,
spacing free), stderr (plain: progress is drawn only on a terminal), every
file left in the folder - names, modes and bytes - and the inputs unwritten;
each that differs is named, so an expected change of a message hides no
change of a file.

Places: tmpfs (--clone falls back to copying there) runs everything; as root,
loop-mounted XFS (reflink=1) and Btrfs images run the --clone variants of the
writing cases (split, merge, join, repair, cut, streams), where blocks really
are shared (the summary says how many runs shared blocks). Not root: the
images are skipped with the reason printed.

Prints a table (place and case: runs and result, with the first differing
run; -v: one row per sample too), then every differing run's command and
differences, and the folder where the differing runs were kept (--keep:
every run's folder). --only REGEX limits the runs to those whose "place
sample case" it matches."""
import argparse
import concurrent.futures
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CLONING = ("split", "merge", "join", "repair", "cut", "streams")  # the commands that take --clone
LINKING = threading.Lock()


# ---- inputs -----------------------------------------------------------------

def top_chunks(data):
    """(code, start, end) of every chunk inside the first RIFF list."""
    pos, end, found = 12, min(len(data), 8 + struct.unpack_from("<I", data, 4)[0]), []
    while pos + 8 <= end:
        code, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        kind = data[pos + 8:pos + 12] if code == b"LIST" else code
        found.append((kind, pos, pos + 8 + size + (size & 1)))
        pos += 8 + size + (size & 1)
    return found


def damaged_copies(sample, folder):
    """cut.avi: cut at 3/5 of its movi list; noidx.avi: idx1 taken out (the
    RIFF size made true); short.avi: the first 200 bytes; notavi.avi: text."""
    with open(sample, "rb") as f:
        data = f.read()
    chunks = {kind: (start, end) for kind, start, end in top_chunks(data)}
    movi_start, movi_end = chunks[b"movi"]
    with open(os.path.join(folder, "cut.avi"), "wb") as f:
        f.write(data[:movi_start + (movi_end - movi_start) * 3 // 5])
    if b"idx1" in chunks:
        start, end = chunks[b"idx1"]
        whole = bytearray(data[:start] + data[end:])
        struct.pack_into("<I", whole, 4, len(whole) - 8)
        with open(os.path.join(folder, "noidx.avi"), "wb") as f:
            f.write(whole)
    with open(os.path.join(folder, "short.avi"), "wb") as f:
        f.write(data[:200])
    with open(os.path.join(folder, "notavi.avi"), "wb") as f:
        f.write(b"This is a text file that carries the name of an AVI file.\n" * 64)


def prepare(old, sample, seconds, folder):
    """Fills folder with the inputs of one sample; returns what is missing
    (input name: why)."""
    os.makedirs(folder)
    clip = os.path.join(folder, "clip.avi")
    shutil.copyfile(sample, clip)
    damaged_copies(sample, folder)
    missing = {}
    work = os.path.join(folder, "make")
    os.makedirs(work)
    made = os.path.join(work, "clip.avi")
    # With an overlap where the key frames allow one, else without.
    half, third = fmt(seconds / 2), fmt(seconds / 3)
    for name, count, tries in (("part", 2, [["--seconds", half, "--overlap", "2"], ["--seconds", half]]),
                               ("piece", 3, [["--every", third, "--overlap", "1"], ["--every", third]])):
        for args in tries:
            shutil.copyfile(clip, made)
            p = subprocess.run([old, "split", made, *args], capture_output=True, cwd=work)
            outs = [os.path.join(work, f"clip-{n}.avi") for n in range(1, count + 1)]
            if p.returncode == 0 and all(os.path.exists(out) for out in outs):
                for n, out in enumerate(outs, 1):
                    os.rename(out, os.path.join(folder, f"{name}-{n}.avi"))
                missing.pop(name, None)
                break
            missing[name] = f"OLD split {' '.join(args)} made no {count} files (exit {p.returncode})"
        for left in os.listdir(work):
            os.remove(os.path.join(work, left))
    os.rmdir(work)
    if not os.path.exists(os.path.join(folder, "noidx.avi")):
        missing["noidx"] = "the sample has no idx1"
    cut_lists(seconds, folder)
    return missing


def cut_lists(seconds, folder):
    """drop.edl: an MPlayer EDL (one range skipped, one muted: both dropped);
    keep.csv: start,end,label in seconds (kept)."""
    with open(os.path.join(folder, "drop.edl"), "w") as f:
        f.write(f"{fmt(seconds / 10)} {fmt(seconds / 5)} 0\n{fmt(seconds / 2)} {fmt(seconds * 0.7)} 3\n")
    with open(os.path.join(folder, "keep.csv"), "w") as f:
        f.write(f"{fmt(seconds / 15)},{fmt(seconds / 4)},first\n{fmt(seconds * 0.6)},{fmt(seconds * 0.85)},second\n")


# The sounds dub puts in, made once by ffmpeg: a tone of each kind dub reads
# (12 s: longer than the shortest sample) and, for each sample, own.wav: 8 s
# of its first sound stream as 16-bit PCM.
TONES = {
    "tone.wav": ["-f", "lavfi", "-i", "sine=frequency=440:duration=12", "-ac", "2", "-c:a", "pcm_s16le"],
    "tone8.wav": ["-f", "lavfi", "-i", "sine=frequency=330:duration=12:sample_rate=22050", "-c:a", "pcm_u8"],
    "tone.mp3": ["-f", "lavfi", "-i", "sine=frequency=660:duration=12", "-c:a", "libmp3lame", "-b:a", "64k"],
    "tone.ac3": ["-f", "lavfi", "-i", "sine=frequency=550:duration=12:sample_rate=48000", "-c:a", "ac3",
                 "-b:a", "96k"],
}


def make_sounds(samples, folder):
    """Writes the tones and every sample's own.wav (as NAME.own.wav) into
    folder; returns what is missing: {file name: why}."""
    os.makedirs(folder)
    made = dict(TONES)
    for sample in samples:
        made[sample["name"] + ".own.wav"] = ["-i", sample["path"], "-map", "0:a:0", "-t", "8", "-c:a", "pcm_s16le"]
    missing = {}
    for name, args in made.items():
        if not shutil.which("ffmpeg"):
            missing[name] = "ffmpeg is missing"
            continue
        p = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", *args, "-y",
                            os.path.join(folder, name)], capture_output=True)
        if p.returncode != 0:
            missing[name] = "ffmpeg made none" + (" (the sample has no sound)" if name.endswith(".own.wav") else "")
    return missing


def copy_sounds(old, sounds, missing, sample, folder):
    """Copies the tones and the sample's own.wav from sounds into its inputs
    and makes u8.avi; returns what is missing (input name: why)."""
    gone = {}
    for name, source in [(tone, tone) for tone in TONES] + [("own.wav", sample + ".own.wav")]:
        if source in missing:
            gone[name] = missing[source]
        else:
            shutil.copyfile(os.path.join(sounds, source), os.path.join(folder, name))
    # u8.avi: the sample with tone8.wav added by OLD, for shift to pad 8-bit
    # PCM (the samples hold none).
    if "tone8.wav" not in gone:
        p = subprocess.run([old, "dub", "clip.avi", "tone8.wav", "--add", "--output", "u8.avi"], cwd=folder,
                           capture_output=True)
        if p.returncode != 0 or not os.path.exists(os.path.join(folder, "u8.avi")):
            gone["u8"] = f"OLD dub of tone8.wav made no u8.avi (exit {p.returncode})"
    return gone


def fmt(x):
    return f"{x:.3f}".rstrip("0").rstrip(".")


# ---- cases ------------------------------------------------------------------

def cases(seconds, size, streams):
    """(name, inputs, arguments) of every case of one sample (of that many
    streams, 0 its video); an input that is not there (missing.avi) is named
    but not copied."""
    half, third = fmt(seconds / 2), fmt(seconds / 3)
    mb_half, mb_third = fmt(size / 2 / 1048576), fmt(size / 3 / 1048576)
    parts, pieces = ["part-1.avi", "part-2.avi"], ["piece-1.avi", "piece-2.avi", "piece-3.avi"]
    found = [
        ("info", ["clip.avi"], ["info", "clip.avi"]),
        ("split.time", ["clip.avi"], ["split", "clip.avi", "--seconds", half]),
        ("split.overlap", ["clip.avi"], ["split", "clip.avi", "--seconds", half, "--overlap", "2"]),
        ("split.first", ["clip.avi"], ["split", "clip.avi", "--seconds", half, "--overlap", "2", "--create", "first"]),
        ("split.second", ["clip.avi"],
         ["split", "clip.avi", "--seconds", half, "--overlap", "2", "--create", "second"]),
        ("split.size", ["clip.avi"], ["split", "clip.avi", "--size-mb", mb_half]),
        ("pieces.every", ["clip.avi"], ["split", "clip.avi", "--every", third]),
        ("pieces.size", ["clip.avi"], ["split", "clip.avi", "--size-mb", mb_third, "--all"]),
        ("pieces.overlap", ["clip.avi"], ["split", "clip.avi", "--every", third, "--overlap", "1"]),
        ("pieces.size_overlap", ["clip.avi"], ["split", "clip.avi", "--size-mb", mb_third, "--all", "--overlap", "1"]),
        ("merge.check", parts, ["merge", *parts]),
        ("merge.write", parts, ["merge", *parts, "--write"]),
        ("merge.three", pieces, ["merge", *pieces, "--write", "--output", "merged.avi"]),
        ("join.two", parts, ["join", *parts]),
        ("join.three", pieces, ["join", *pieces, "--output", "joined.avi"]),
        ("repair.intact", ["clip.avi"], ["repair", "clip.avi"]),
        ("repair.cut", ["cut.avi"], ["repair", "cut.avi"]),
        ("repair.noidx", ["noidx.avi"], ["repair", "noidx.avi", "--output", "fixed.avi"]),
        *newer_cases(seconds, streams),
    ]
    for bad in ("missing", "notavi", "short", "cut"):
        name = f"{bad}.avi"
        have = [] if bad == "missing" else [name]
        found.append((f"fail.{bad}.info", have, ["info", name]))
        found.append((f"fail.{bad}.split", have, ["split", name, "--seconds", half]))
        found.append((f"fail.{bad}.merge", have + ["part-2.avi"], ["merge", name, "part-2.avi", "--write"]))
        found.append((f"fail.{bad}.join", have + ["part-2.avi"], ["join", name, "part-2.avi"]))
        if bad != "cut":  # repair of cut.avi is a case above
            found.append((f"fail.{bad}.repair", have, ["repair", name]))
        found.append((f"fail.{bad}.cut", have, ["cut", name, "--keep", f"{fmt(seconds / 10)}-{third}"]))
        found.append((f"fail.{bad}.streams", have, ["streams", name, "--keep", "0"]))
        found.append((f"fail.{bad}.extract", have, ["extract", name, "--stream", str(streams - 1)]))
        found.append((f"fail.{bad}.dub", have + ["tone.wav"], ["dub", name, "tone.wav", "--add"]))
        found.append((f"fail.{bad}.shift", have, ["shift", name, "--stream", str(streams - 1), "--offset", "0.5"]))
        found.append((f"fail.{bad}.keyframes", have, ["keyframes", name]))
    return found


def newer_cases(seconds, streams):
    """The cases of cut, streams, extract, dub, shift and keyframes, and
    their refusals of what the file does not hold."""
    at = [fmt(seconds * k / 20) for k in range(21)]  # at[k]: k twentieths in
    clip, last = ["clip.avi"], str(streams - 1)
    found = [
        ("cut.keep", clip, ["cut", "clip.avi", "--keep", f"{at[3]}-{at[7]}", "--keep", f"{at[10]}-{at[13]}"]),
        ("cut.keep_joined", clip, ["cut", "clip.avi", "--keep", f"{at[2]}-{at[6]}", "--keep", f"{at[5]}-{at[9]}",
                                   "--keep", f"{at[16]}-"]),
        ("cut.drop", clip, ["cut", "clip.avi", "--drop", f"{at[5]}-{at[10]}", "--drop", f"{at[15]}-",
                            "--output", "dropped.avi"]),
        ("cut.separate", clip, ["cut", "clip.avi", "--keep", f"-{at[4]}", "--keep", f"{at[8]}-{at[12]}",
                                "--separate"]),
        ("cut.list_edl", clip + ["drop.edl"], ["cut", "clip.avi", "--list", "drop.edl"]),
        ("cut.list_csv", clip + ["keep.csv"], ["cut", "clip.avi", "--list", "keep.csv", "--separate",
                                               "--output", "kept.avi"]),
        ("streams.keep", clip, ["streams", "clip.avi", "--keep", "0"]),
        # One stream: dropping it is refused.
        ("streams.drop", clip, ["streams", "clip.avi", "--drop", last, "--output", "fewer.avi"]),
        *[(f"extract.{n}", clip, ["extract", "clip.avi", "--stream", str(n)]) for n in range(streams)],
        ("extract.as_avi", clip, ["extract", "clip.avi", "--stream", last, "--output", "alone.avi"]),
        # Without a sound stream, --replace 1 is refused and dub's default adds.
        ("dub.wav_later", clip + ["tone.wav"], ["dub", "clip.avi", "tone.wav", "--add", "--offset", "1.5"]),
        ("dub.wav_own_earlier", clip + ["own.wav"],
         ["dub", "clip.avi", "own.wav", "--replace", "1", "--offset", "-0.25"]),
        ("dub.u8_later", clip + ["tone8.wav"], ["dub", "clip.avi", "tone8.wav", "--add", "--offset", "0.5"]),
        ("dub.mp3_earlier", clip + ["tone.mp3"],
         ["dub", "clip.avi", "tone.mp3", "--replace", "1", "--offset", "-0:01.5"]),
        ("dub.mp3_later", clip + ["tone.mp3"], ["dub", "clip.avi", "tone.mp3", "--add", "--offset", "0.7"]),
        ("dub.ac3_default", clip + ["tone.ac3"], ["dub", "clip.avi", "tone.ac3"]),
        ("dub.ac3_earlier", clip + ["tone.ac3"],
         ["dub", "clip.avi", "tone.ac3", "--add", "--offset", "-0.3", "--output", "dubbed.avi"]),
        ("keyframes", clip, ["keyframes", "clip.avi"]),
        ("keyframes.noidx", ["noidx.avi"], ["keyframes", "noidx.avi"]),
        ("fail.stream.streams", clip, ["streams", "clip.avi", "--keep", f"0,{streams}"]),
        ("fail.stream.extract", clip, ["extract", "clip.avi", "--stream", str(streams)]),
        ("fail.stream.extract_as_wav", clip, ["extract", "clip.avi", "--stream", "0", "--output", "video.wav"]),
        ("fail.stream.dub", clip + ["tone.wav"], ["dub", "clip.avi", "tone.wav", "--replace", str(streams)]),
        ("fail.stream.shift", clip, ["shift", "clip.avi", "--stream", str(streams), "--offset", "1"]),
        ("fail.stream.shift_video", clip, ["shift", "clip.avi", "--stream", "0", "--offset", "1"]),
        ("fail.range.cut", clip, ["cut", "clip.avi", "--keep", f"{fmt(seconds + 5)}-{fmt(seconds + 10)}"]),
    ]
    for n in range(1, streams):
        found.append((f"shift.{n}_later", clip, ["shift", "clip.avi", "--stream", str(n), "--offset", "0.5"]))
        found.append((f"shift.{n}_earlier", clip, ["shift", "clip.avi", "--stream", str(n), "--offset", "-0:01.25"]))
    found.append(("shift.u8_later", ["u8.avi"], ["shift", "u8.avi", "--stream", str(streams), "--offset", "0.75"]))
    return found


# (clone, json, language): every value of each, and every pair of values of
# any two, in four runs; --full runs all eight. Commands without --clone
# (extract, dub, shift) run the four pairs of json and language.
PAIRS = [(False, False, "en"), (False, True, "ja"), (True, False, "ja"), (True, True, "en")]
EVERY = [(c, j, l) for c in (False, True) for j in (False, True) for l in ("en", "ja")]
LOOKS = {"info": ["plain", "layout", "json"], "keyframes": ["plain", "json"]}


def variants(args, clone_only, full, share=None):
    """Every variant of one case's arguments: (label, arguments). share
    (n): only the variant n modulo their count (--full: every one)."""
    if args[0] in LOOKS:
        found = [] if clone_only else [(look, args + (["--" + look] if look != "plain" else []))
                                       for look in LOOKS[args[0]]]
    else:
        found = []
        for clone, as_json, lang in EVERY if full else PAIRS:
            clone = clone and args[0] in CLONING  # without --clone the four pairs are those of json and lang
            if clone_only and not clone:
                continue
            extra = ["--lang", lang] + (["--json"] if as_json else []) + (["--clone"] if clone else [])
            label = "+".join(["clone"] * clone + ["json" if as_json else "plain", lang])
            if label not in [seen for seen, _ in found]:
                found.append((label, args + extra))
    if share is None or full or not found:
        return found
    return [found[share % len(found)]]


# ---- one run and the comparison ---------------------------------------------

def stamp(path):
    """What changes when a file is written or replaced (its ctime changes
    with every hard link made)."""
    try:
        facts = os.stat(path)
    except FileNotFoundError:
        return None
    return facts.st_ino, facts.st_size, facts.st_mtime_ns


def run(binary, args, folder, env):
    try:
        p = subprocess.run([binary, *args], cwd=folder, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                           timeout=120)
    except subprocess.TimeoutExpired as late:
        p = subprocess.CompletedProcess(late.cmd, "timed out after 120 s", late.stdout or b"", late.stderr or b"")
    files = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            files[os.path.relpath(path, folder)] = (os.stat(path).st_mode, path)
    return {"code": p.returncode, "stdout": p.stdout, "stderr": p.stderr, "files": files}


def line_differences(a, b):
    """The lines that differ (the first three), and a difference of count."""
    al, bl = a.split(b"\n"), b.split(b"\n")
    found = [f"line {n + 1}: old {x[:160]!r} new {y[:160]!r}" for n, (x, y) in enumerate(zip(al, bl)) if x != y]
    more = [f"and {len(found) - 3} more lines"] if len(found) > 3 else []
    count = [f"old has {len(al)} lines, new {len(bl)}"] if len(al) != len(bl) else []
    return "; ".join(found[:3] + more + count)


def json_lines(text):
    try:
        return [json.loads(line) for line in text.decode("utf-8").splitlines() if line.strip()]
    except (UnicodeDecodeError, ValueError):
        return None


def json_differences(a, b, where="$"):
    """Every value that differs between two parsed JSON documents."""
    if type(a) is not type(b):
        return [f"{where}: old {a!r} new {b!r}"]
    if isinstance(a, dict):
        found = []
        for key in sorted(set(a) | set(b)):
            if key not in a or key not in b:
                found.append(f"{where}.{key}: only in {'old' if key in a else 'new'}")
            else:
                found += json_differences(a[key], b[key], f"{where}.{key}")
        return found
    if isinstance(a, list):
        found = [d for n, (x, y) in enumerate(zip(a, b)) for d in json_differences(x, y, f"{where}[{n}]")]
        return found + ([] if len(a) == len(b) else [f"{where}: old has {len(a)} items, new {len(b)}"])
    return [] if a == b else [f"{where}: old {a!r} new {b!r}"]


def first_byte_difference(a, b):
    with open(a, "rb") as f:
        x = f.read()
    with open(b, "rb") as f:
        y = f.read()
    if x == y:
        return ""
    n = next((i for i in range(min(len(x), len(y))) if x[i] != y[i]), min(len(x), len(y)))
    return f"bytes differ at offset {n} (old {len(x)} bytes, new {len(y)})"


def difference(old, new, as_json):
    """Every way two runs differ, the first difference of each ("; " between
    them), or "": an expected change of a message hides no change of a file."""
    if old["code"] != new["code"]:
        return f"exit code: old {old['code']} new {new['code']}"
    found = []
    if old["stdout"] != new["stdout"]:
        a, b = (json_lines(old["stdout"]), json_lines(new["stdout"])) if as_json else (None, None)
        if a is None or b is None:
            found.append("stdout " + line_differences(old["stdout"], new["stdout"]))
        elif json_differences(a, b):
            values = json_differences(a, b)
            more = f" (and {len(values) - 3} more)" if len(values) > 3 else ""
            found.append("stdout JSON " + "; ".join(values[:3]) + more)
    if old["stderr"] != new["stderr"]:
        found.append("stderr " + line_differences(old["stderr"], new["stderr"]))
    for name in sorted(set(old["files"]) | set(new["files"])):
        if name not in old["files"] or name not in new["files"]:
            found.append(f"file {name}: only {'old' if name in old['files'] else 'new'} left it")
            continue
        (mode_a, a), (mode_b, b) = old["files"][name], new["files"][name]
        if mode_a != mode_b:
            found.append(f"file {name}: mode old {oct(mode_a)} new {oct(mode_b)}")
        elif first_byte_difference(a, b):
            found.append(f"file {name}: {first_byte_difference(a, b)}")
    return "; ".join(found)


def run_case(job, place, sample, case, inputs, args, clone_only):
    """Every variant of one case with both binaries: [(variant, difference,
    shared)] where shared tells whether the new run said it shared blocks."""
    results = []
    home = os.path.join(place["root"], "work", f"{sample['n']:02d}-{case}")
    # A refusal is much alike on every sample: its variants are dealt out
    # over the samples, one each, in turn.
    share = sample["n"] if case.startswith("fail.") else None
    for n, (label, command) in enumerate(variants(args, clone_only, job["full"], share)):
        folder = os.path.join(home, str(n))
        done = {}
        for who in ("old", "new"):
            here = os.path.join(folder, "run")
            os.makedirs(here)
            # Inputs are hard links to the prepared ones (no copying); a run
            # that wrote or replaced one shows in its exit code, and the input
            # is made anew from a pristine copy.
            prepared = os.path.join(place["inputs"], sample["name"])
            with LINKING:
                for name in inputs:
                    os.link(os.path.join(prepared, name), os.path.join(here, name))
                stamps = {name: stamp(os.path.join(prepared, name)) for name in inputs}
            done[who] = run(job[who], command, here, job["env"])
            written = [name for name in inputs if stamp(os.path.join(here, name)) != stamps[name]]
            if written:
                done[who]["code"] = f"{done[who]['code']} (and wrote its input {written[0]})"
                with LINKING:
                    for name in written:
                        os.remove(os.path.join(prepared, name))
                        shutil.copy2(os.path.join(place["pristine"], sample["name"], name),
                                     os.path.join(prepared, name))
            os.rename(here, os.path.join(folder, who))
            for name, (mode, path) in done[who]["files"].items():
                done[who]["files"][name] = (mode, os.path.join(folder, who, name))
        found = difference(done["old"], done["new"], "--json" in command)
        results.append((label, found, b"cloned:" in done["new"]["stderr"], " ".join(command)))
        if not found and not job["keep"]:
            shutil.rmtree(folder)
    if not job["keep"] and os.path.isdir(home) and not os.listdir(home):
        os.rmdir(home)
    return results


# ---- places -----------------------------------------------------------------

def fs_type(path):
    return subprocess.run(["stat", "-f", "-c", "%T", path], capture_output=True, text=True).stdout.strip()


def quiet(*cmd):
    return subprocess.run(cmd, capture_output=True).returncode == 0


def mount_image(fs, base):
    """A loop-mounted sparse image of fs under base: (mount point, "") or (None, why)."""
    if os.geteuid() != 0:
        return None, "not root: loop images cannot be mounted"
    make = ["mkfs.xfs", "-q", "-f", "-m", "reflink=1"] if fs == "xfs" else ["mkfs.btrfs", "-q", "-f"]
    if not shutil.which(make[0]):
        return None, f"{make[0]} is missing"
    image, point = os.path.join(base, f"{fs}.img"), os.path.join(base, fs)
    with open(image, "wb") as f:
        f.truncate(1 << 30)  # sparse: holds only what is written
    if not quiet(*make, image):
        return None, f"{make[0]} failed"
    os.makedirs(point)
    if not quiet("mount", "-o", "loop", image, point):
        return None, "mount -o loop failed (no loop devices here?)"
    return point, ""


def samples_in(folder):
    manifest = os.path.join(folder, "samples.txt")
    if not os.path.exists(manifest):
        subprocess.run(["bash", os.path.join(HERE, "make_samples.sh"), folder], check=True)
    found = []
    with open(manifest) as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            row = dict(zip(header, line.rstrip("\n").split("\t")))
            path = os.path.join(folder, row["file"])
            found.append({"n": len(found), "name": row["file"], "path": path, "seconds": float(row["seconds"]),
                          "size": os.path.getsize(path), "streams": int(row["streams"])})
    return found


def main():
    parser = argparse.ArgumentParser(description="Runs two tavrin binaries over every sample and command and "
                                                 "compares everything they say and write.")
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("samples", nargs="?", default=os.path.join(ROOT, "build", "samples"))
    parser.add_argument("-j", "--jobs", type=int, default=2)
    parser.add_argument("-v", "--verbose", action="store_true", help="one table row per sample and case")
    parser.add_argument("--only", metavar="REGEX", help="only the runs whose 'place sample case' it matches")
    parser.add_argument("--full", action="store_true",
                        help="every combination of --clone, --json and --lang (default: every pair of them)")
    parser.add_argument("--keep", action="store_true", help="keep every run's folder, not only differing ones")
    opts = parser.parse_args()
    started = time.monotonic()
    for who in ("old", "new"):
        path = os.path.abspath(getattr(opts, who))
        if not os.access(path, os.X_OK):
            print(f"differential: {who} binary {path} is not an executable file", file=sys.stderr)
            return 2
        setattr(opts, who, path)
    samples = samples_in(os.path.abspath(opts.samples))

    shm = "/dev/shm" if os.path.isdir("/dev/shm") and fs_type("/dev/shm") == "tmpfs" else None
    base = tempfile.mkdtemp(prefix="tavrin-differential.", dir=shm)
    places, skipped, mounted = [], [], []
    status = 2
    try:
        tmpfs = os.path.join(base, "tmpfs")
        os.makedirs(tmpfs)
        if fs_type(tmpfs) != "tmpfs":
            if os.geteuid() == 0 and quiet("mount", "-t", "tmpfs", "tavrin-differential", tmpfs):
                mounted.append(tmpfs)
            else:
                skipped.append(f"tmpfs: none here, the plain runs go to {fs_type(tmpfs)} instead")
        places.append({"name": "tmpfs", "root": tmpfs, "clone_only": False})
        for fs in ("xfs", "btrfs"):
            point, why = mount_image(fs, base)
            if point:
                mounted.append(point)
                places.append({"name": fs, "root": point, "clone_only": True})
            else:
                skipped.append(f"{fs}: {why}")

        missing, sounds = {}, os.path.join(base, "sounds")
        sounds_missing = make_sounds(samples, sounds)
        for place in places:
            place["inputs"] = os.path.join(place["root"], "inputs")
            for sample in samples:
                folder = os.path.join(place["inputs"], sample["name"])
                gone = prepare(opts.old, sample["path"], sample["seconds"], folder)
                if not place["clone_only"]:  # dub, their reader, takes no --clone
                    gone.update(copy_sounds(opts.old, sounds, sounds_missing, sample["name"], folder))
                missing[place["name"], sample["name"]] = gone
            place["pristine"] = os.path.join(place["root"], "pristine")
            shutil.copytree(place["inputs"], place["pristine"])
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
               "TZ": "UTC", "HOME": base}
        job = {"old": opts.old, "new": opts.new, "env": env, "keep": opts.keep, "full": opts.full}

        units, not_run = [], []
        for place in places:
            for sample in samples:
                for case, inputs, args in cases(sample["seconds"], sample["size"], sample["streams"]):
                    lacks = missing[place["name"], sample["name"]]
                    gone = [lacks.get(name) or lacks.get(name.split("-")[0].split(".")[0]) for name in inputs]
                    gone = [why for why in gone if why]
                    if place["clone_only"] and (args[0] not in CLONING or case.startswith(("fail.", "merge.check"))):
                        continue
                    if opts.only and not re.search(opts.only, f"{place['name']} {sample['name']} {case}"):
                        continue
                    if gone:
                        not_run.append(f"{place['name']} {sample['name']} {case}: {gone[0]}")
                    else:
                        units.append((place, sample, case, inputs, args))
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, opts.jobs)) as pool:
            futures = [pool.submit(run_case, job, p, s, c, i, a, p["clone_only"]) for p, s, c, i, a in units]
            results = [f.result() for f in futures]
        status = report(units, results, opts.verbose, not_run, skipped, places)
    finally:
        for point in reversed(mounted):
            work = os.path.join(point, "work")
            if os.path.isdir(work) and os.listdir(work):
                shutil.copytree(work, os.path.join(base, os.path.basename(point) + "-runs"), symlinks=True)
            quiet("umount", point)
        for fs in ("xfs", "btrfs"):
            if os.path.exists(os.path.join(base, f"{fs}.img")):
                os.remove(os.path.join(base, f"{fs}.img"))
        if any(os.path.basename(d) in ("old", "new") for d, _, _ in os.walk(base)):
            print(f"runs kept in {base}")
        else:
            shutil.rmtree(base, ignore_errors=True)
    print(f"differential: {time.monotonic() - started:.0f} s")
    return status


def report(units, results, verbose, not_run, skipped, places):
    rows, differing, runs, shared = {}, [], 0, {}
    for (place, sample, case, _, _), result in zip(units, results):
        key = (place["name"], case, sample["name"] if verbose else "")
        row = rows.setdefault(key, {"runs": 0, "first": ""})
        for label, found, cloned, command in result:
            runs += 1
            row["runs"] += 1
            if found:
                differing.append(f"{place['name']} {sample['name']} {case} [{label}] tavrin {command}\n    {found}")
                row["first"] = row["first"] or f"{sample['name']} [{label}]: {found}"
            if place["clone_only"]:
                total, yes, unshared = shared.get(place["name"], (0, 0, set()))
                if not cloned:
                    unshared.add(case)
                shared[place["name"]] = (total + 1, yes + cloned, unshared)
    width = max([len(f"{p} {c} {s}".strip()) for p, c, s in rows] + [4]) + 2
    print(f"{'case'.ljust(width)}{'runs':>6}  result")
    for (place, case, sample), row in rows.items():
        name = f"{place} {case} {sample}".strip()
        print(f"{name.ljust(width)}{row['runs']:>6}  {'DIFFERS ' + row['first'] if row['first'] else 'identical'}")
    for line in differing:
        print("DIFFERS", line)
    for line in not_run:
        print("not run:", line)
    for line in skipped:
        print("skipped:", line)
    for name, (total, yes, unshared) in shared.items():
        print(f"{name}: {yes} of {total} --clone runs shared blocks (the new binary's 'cloned:' line); "
              f"not all in {', '.join(sorted(unshared)) or '-'}")
    print(f"{runs} runs per binary in {len(rows)} rows over {len(places)} place(s): "
          f"{runs - len(differing)} identical, {len(differing)} differ")
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
