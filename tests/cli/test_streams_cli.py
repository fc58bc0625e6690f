#!/usr/bin/env python3
"""tavrin extract and tavrin streams on real writers' files. extract: a WAV's
data bytes are ffmpeg's own -c copy extraction of the stream and its fmt is
the stream's strf; MP3, MP2 and AC-3 files are the stream's chunks in index
order (size 0 left out); an .aac reads cleanly in ffprobe and its ADTS
frames' payloads are the chunks; a video stream becomes a one-stream AVI
holding its chunks and key flags. streams: ffprobe reads every output
silently, each kept stream's (payload, key flag) sequence is the input's,
the header counts what is kept, and --keep in any order equals the --drop
that leaves the same streams. Then the refusals (nothing written) and a
cancel (nothing left)."""
import json
import os
import shutil
import struct
import subprocess
import sys
import time

from avi_file import KEY, Avi
from clitest import SAMPLES, SKIPPED, WINDOWS, cancelled_at_flush, check, failures, sample, tavrin

PCM_TAGS = (1, 0xFFFE)
EXTENSIONS = {1: "wav", 0xFFFE: "wav", 0x55: "mp3", 0x50: "mp2", 0x2000: "ac3", 0x2001: "dts", 0xFF: "aac"}


def wav_chunks(path):
    data = open(path, "rb").read()
    chunks, pos = {}, 12
    while pos + 8 <= len(data):
        code, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        chunks.setdefault(code, data[pos + 8:pos + 8 + size])
        pos += 8 + size + (size & 1)
    return data[:4], chunks


def adts_payloads(path):
    data, frames, pos = open(path, "rb").read(), [], 0
    while pos + 7 <= len(data):
        if data[pos] != 0xFF or data[pos + 1] & 0xF6 != 0xF0:
            return None
        length = ((data[pos + 3] & 3) << 11) | (data[pos + 4] << 3) | (data[pos + 5] >> 5)
        frames.append(data[pos + 7:pos + length])
        pos += length
    return frames if pos == len(data) else None


def ffprobe_silent(what, path):
    if not shutil.which("ffprobe"):
        return
    p = subprocess.run(["ffprobe", "-v", "error", path], capture_output=True)
    check(f"{what}: ffprobe reads {path} silently", (p.returncode, p.stderr.decode()), (0, ""))


def extract_sound(name, src):
    """Every sound stream of src saved under its default name, and checked."""
    avi = Avi(src)
    stem = src[:-4]
    for s, st in enumerate(avi.streams):
        if st["type"] != b"auds":
            continue
        ext = EXTENSIONS.get(st["tag"], "avi")
        code, out, err = tavrin("extract", src, "--stream", str(s), "--json")
        got = json.loads(out) if out else {}
        want = f"{stem}.{s}.{ext}"
        what = f"{name} stream {s} ({ext})"
        check(f"{what}: written", (code, got.get("outputs"), got.get("format")), (0, [want], ext))
        if code != 0:
            print(err, file=sys.stderr)
            continue
        payloads = [p for _, p in avi.stream(s) if p]
        check(f"{what}: chunks counted", (got["chunks"], got["empty_chunks"]),
              (len(payloads), len(avi.stream(s)) - len(payloads)))
        if ext == "wav":
            form, chunks = wav_chunks(want)
            check(f"{what}: RIFF WAVE with the stream's format", (form, chunks.get(b"fmt ")), (b"RIFF", st["format"]))
            check(f"{what}: data = the chunks", chunks.get(b"data") == b"".join(payloads), True)
            if shutil.which("ffmpeg"):
                subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-i", src, "-map", f"0:{s}", "-c", "copy",
                                "ff.wav"], check=True)
                check(f"{what}: data = ffmpeg's -c copy", chunks.get(b"data") == wav_chunks("ff.wav")[1][b"data"], True)
                os.remove("ff.wav")
        elif ext == "aac":
            frames = adts_payloads(want)
            check(f"{what}: ADTS frames' payloads = the chunks", frames == payloads, True)
            if shutil.which("ffprobe"):
                p = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "packet=size", "-of", "csv=p=0", want],
                                   capture_output=True)
                check(f"{what}: ffprobe's packets", (p.stderr.decode(), len(p.stdout.split())), ("", len(payloads)))
        else:
            check(f"{what}: the chunks in order", open(want, "rb").read() == b"".join(payloads), True)
        ffprobe_silent(what, want)
        os.remove(want)


def same_streams(what, out, src, kept):
    """out holds src's streams kept (in src's order), each chunk and flag."""
    a, b = Avi(src), Avi(out)
    check(f"{what}: header", (b.streams_in_header, len(b.streams)), (len(kept), len(kept)))
    for n, s in enumerate(kept):
        flags = lambda avi, k: [(f & KEY, p) for f, p in avi.stream(k)]
        check(f"{what}: stream {n} = input's {s}", flags(b, n) == flags(a, s), True)
        check(f"{what}: stream {n}'s format", b.streams[n]["format"], a.streams[s]["format"])
    video = next((s for s in kept if a.streams[s]["type"] == b"vids"), None)
    check(f"{what}: avih frames", b.frames_in_header, len(a.stream(video)) if video is not None else 0)
    ffprobe_silent(what, out)


def streams_outputs(name, src):
    stem = src[:-4]
    count = len(Avi(src).streams)
    every = list(range(count))
    # Under Wine, where runs cost more: the middle stream, whose drop renumbers the last.
    for drop in every if not WINDOWS else [count // 2]:
        kept = [s for s in every if s != drop]
        code, out, _ = tavrin("streams", src, "--drop", str(drop), "--json")
        got = json.loads(out)
        check(f"{name} --drop {drop}", (code, got["outputs"], got["kept"], got["dropped"]),
              (0, [stem + "-s.avi"], kept, [drop]))
        if code == 0:
            same_streams(f"{name} --drop {drop}", stem + "-s.avi", src, kept)
            digest = open(stem + "-s.avi", "rb").read()
            # The same streams named the other way round, in another order.
            code, _, _ = tavrin("streams", src, "--keep", ",".join(map(str, reversed(kept))), "--output", "keep.avi")
            check(f"{name} --keep {list(reversed(kept))} = --drop {drop}", (code, open("keep.avi", "rb").read() == digest),
                  (0, True))
            if not WINDOWS:
                code, _, err = tavrin("streams", src, "--drop", str(drop), "--clone", "--output", "clone.avi")
                check(f"{name} --drop {drop} --clone: said",
                      (code, "tavrin streams: copied" in err or "tavrin streams: cloned" in err), (0, True))
                if "copied" in err:
                    check(f"{name} --clone copied: the same bytes", open("clone.avi", "rb").read() == digest, True)
            for n in (stem + "-s.avi", "keep.avi", "clone.avi"):
                if os.path.exists(n):
                    os.remove(n)


def extract_video(name, src):
    code, out, _ = tavrin("extract", src, "--stream", "0", "--json")
    got = json.loads(out)
    check(f"{name} video: a one-stream AVI", (code, got["format"], got["outputs"]), (0, "avi", [src[:-4] + ".0.avi"]))
    if code == 0:
        same_streams(f"{name} video", src[:-4] + ".0.avi", src, [0])
        os.remove(src[:-4] + ".0.avi")


def refusals(src):
    before = sorted(os.listdir("."))
    stem = src[:-4]
    cases = [
        (["extract", src, "--stream", "7"], 1, "No such stream in the file"),
        (["extract", src, "--stream", "0", "--output", "video.wav"], 1, "The output's extension does not fit"),
        (["extract", src, "--stream", "1", "--output", "sound.mp3"], 1, "The output's extension does not fit"),
        (["extract", src, "--stream", "1", "--output", src], 2, "Can't Create File (the output would replace"),
        (["streams", src, "--keep", "0", "--drop", "1"], 2, "Streams to keep and streams to drop do not mix"),
        (["streams", src, "--keep", "3"], 1, "No such stream in the file"),
        (["streams", src, "--drop", "0,1,2"], 1, "Nothing would be kept"),
        (["streams", src, "--drop", "1", "--output", src], 2, "Can't Create File (the output would replace"),
    ]
    for args, code, text in cases:
        got, out, err = tavrin(*args)
        check(f"refusal {args[0]} {args[2:]}", (got, out.startswith(text), err.startswith(f"tavrin {args[0]}: ")),
              (code, True, True))
    for args in (["extract", src], ["extract", src, "--stream", "x"], ["streams", src], ["streams", src, "--keep", "0;1"]):
        check(f"usage {args}", tavrin(*args)[0], 2)
    got, out, _ = tavrin("streams", src, "--drop", "0,1,2", "--lang", "ja")
    check("nothing kept (ja)", (got, "何も残りません" in out), (1, True))
    # A recording cut short: the reason and the repair hint, as the other commands give them.
    with open(src, "rb") as f, open("short.avi", "wb") as g:
        g.write(f.read()[:os.path.getsize(src) * 2 // 3])
    for command in (["extract", "short.avi", "--stream", "1"], ["streams", "short.avi", "--drop", "1"]):
        got, out, err = tavrin(*command)
        check(f"{command[0]} damaged input", (got, out.startswith("The file is damaged\n\nThe file is cut short"),
                                              "tavrin repair" in out), (1, True, True))
    os.remove("short.avi")
    check("refusals write nothing", sorted(os.listdir(".")), before)


def cancel(src):
    """SIGINT as the output is flushed (strace raises it at the fsync):
    cancelled, nothing left, no temporary file."""
    if not shutil.which("strace") or WINDOWS:  # under Wine the flush runs in wineserver
        return
    for args in (["extract", src, "--stream", "1"], ["extract", src, "--stream", "0"], ["streams", src, "--drop", "1"]):
        cancelled_at_flush(f"{args} SIGINT at the flush", args)


def main():
    if not SAMPLES:
        print("SKIPPED: TAVRIN_SAMPLES not set")
        return SKIPPED
    started = time.time()
    names = ["ffmpeg_mpeg4_pcm+mp3_g25.avi", "ffmpeg_mpeg4_ac3_g12.avi", "ffmpeg_mpeg4_aac_g12.avi",
             "mencoder_mpeg4_mp3vbr_g250.avi", "mencoder_mpeg4_pcm_g25.avi", "gst_mpeg4_mp3_g12.avi",
             "ffmpeg_mjpeg_pcm_g1.avi"]
    inputs = [(n, sample(n)) for n in names if sample(n)]
    for name, path in inputs:
        src = name.replace("+", "_")
        shutil.copy(path, src)
        extract_sound(name, src)
        extract_video(name, src)
        streams_outputs(name, src)
        if name == "ffmpeg_mpeg4_pcm+mp3_g25.avi":
            refusals(src)
            cancel(src)
        os.remove(src)
    print(f"{len(inputs)} inputs in {time.time() - started:.1f} s")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
