#!/usr/bin/env python3
"""tavrin detect on recordings made with ffmpeg whose breaks are known by
construction: black stretches with and without sound, silence over
pictures, a fade to black, a 0.2 s black flash that is no break, scene cuts
3 s apart; MPEG-4 Visual and MJPEG pictures, PCM, MP3 and AAC sound. Every black
range within one frame of the truth (two for the fade, whose truth is
FFmpeg's blackdetect on the pictures before encoding), every silence within
20 ms, each scene change on its frame, nothing more. The text lists what
the JSON does, and `cut --list` of the written EDL drops exactly those
ranges. A file without sound: no silences and a note; a file cut short or
no AVI at all: exit 1 and why. Ctrl-C in the middle: cancelled, nothing
left."""
import json
import math
import os
import re
import signal
import subprocess

from avi_file import AviFile
from clitest import CLI, WINDOWS, check, cut_short, decoding_work, failures, finish, sigint_caught, tavrin
from crafted_mpeg4 import pack_bframes
from read_gate import ReadGate

RATE = 25
SECONDS = 12
# Black frames 75-124 (3.0-5.0 s) with sound; a flash of frames 200-204
# (0.2 s); a fade to black from 9.0 s over 1.5 s, black to the end.
PICTURES = (f"testsrc2=size=320x240:rate={RATE}:duration={SECONDS},"
            "drawbox=c=black:t=fill:enable='between(n,75,124)+between(n,200,204)',fade=t=out:st=9:d=1.5")
# Silent from 6.0 to 7.5 s over the pictures, and from 10 s to the end (over black).
SOUND = "aevalsrc='if(between(t,6,7.5)+gte(t,10),0,0.5*sin(2*PI*440*t))':s={rate}:c=stereo:d=" + str(SECONDS)
SILENCES = [(6.0, 7.5), (10.0, 12.0)]
# Five scenes of 3 s, unlike and alike (two moving test pictures, bars,
# a zooming fractal, noise-like cellular patterns).
SCENES = ["testsrc2=size=320x240:rate=25:duration=3", "mandelbrot=size=320x240:rate=25,trim=duration=3",
          "smptebars=size=320x240:rate=25:duration=3", "testsrc=size=320x240:rate=25:duration=3",
          "cellauto=size=320x240:rate=25:rule=110,trim=duration=3"]
CUTS = [75, 150, 225, 300]
KINDS = {
    "mpeg4-pcm": (["-c:v", "mpeg4", "-q:v", "3"], ["-c:a", "pcm_s16le"], 48000),
    "mjpeg-mp3": (["-c:v", "mjpeg", "-q:v", "3"], ["-c:a", "libmp3lame", "-b:a", "128k"], 44100),
    "mpeg4-mp3": (["-c:v", "mpeg4", "-q:v", "3", "-bf", "2"], ["-c:a", "libmp3lame", "-b:a", "128k"], 44100),
    # Every frame a key frame: the cut of its EDL drops exactly the frames listed.
    "mjpeg-pcm": (["-c:v", "mjpeg", "-q:v", "3"], ["-c:a", "pcm_s16le"], 48000),
}
# FFmpeg's AVI writer otherwise puts an empty video chunk at index 1 (a
# dropped frame) before MP3 sound, which moves every later picture a frame on.
IN_STEP = ["-avoid_negative_ts", "disabled"]


def ffmpeg(*args):
    return subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", *args], check=True, capture_output=True)


def true_fade_start():
    """The first frame of the fade that meets the rule, by FFmpeg's
    blackdetect on the pictures as made (no encoding)."""
    p = subprocess.run(["ffmpeg", "-nostdin", "-f", "lavfi", "-i", PICTURES + ",blackdetect=d=0.5:pix_th=0.10",
                        "-f", "null", "-"], capture_output=True, text=True)
    starts = [float(s) for s in re.findall(r"black_start:([\d.]+)", p.stderr)]
    return round(starts[-1] * RATE)


def detect(path, *args):
    code, out, err = tavrin("detect", path, *args)
    return code, out, err


def check_breaks(name, path, fade_start):
    code, out, err = detect(path, "--black", "--silence", "--json")
    check(f"{name}: exit", code, 0)
    if code:
        failures.append(f"{name}: {err}")
        return None
    got = json.loads(out)
    black = [(r["first_frame"], r["frames"]) for r in got["black"]]
    want = [(75, 50), (fade_start, SECONDS * RATE - fade_start)]
    check(f"{name}: black ranges", len(black), len(want))
    for (first, frames), (wfirst, wframes) in zip(black, want):
        slack = 2 if wfirst == fade_start else 1
        off = max(abs(first - wfirst), abs(first + frames - wfirst - wframes))
        print(f"{name}: black frames {first}+{frames}, truth {wfirst}+{wframes}: {off} frames off")
        check(f"{name}: black {wfirst}+{wframes} within {slack} frames", off <= slack, True)
    for r in got["black"]:
        check(f"{name}: black times", (r["start_seconds"], r["end_seconds"]),
              (r["first_frame"] / RATE, (r["first_frame"] + r["frames"]) / RATE))
    silence = [(r["start_seconds"], r["end_seconds"]) for r in got["silence"]]
    check(f"{name}: silences", len(silence), len(SILENCES))
    for (start, end), (wstart, wend) in zip(silence, SILENCES):
        off = max(abs(start - wstart), abs(end - wend))
        print(f"{name}: silence {start:.4f}-{end:.4f}, truth {wstart}-{wend}: {off * 1000:.1f} ms off")
        check(f"{name}: silence {wstart}-{wend} within 20 ms", off <= 0.020, True)
    return got


def check_text_equals_json(name, path):
    code, out, _ = detect(path)
    _, js, _ = detect(path, "--json")
    got = json.loads(js)
    text_black = [(int(a), int(b) - int(a) + 1) for a, b in re.findall(r"frames (\d+) to (\d+)", out)]
    check(f"{name}: text black = json", text_black, [(r["first_frame"], r["frames"]) for r in got["black"]])
    lines = out.split("silence")[1].split("scenes")[0]
    text_silence = [(float(a), float(b)) for a, b in re.findall(r"([\d.]+) - +([\d.]+) s", lines)]
    check(f"{name}: text silence = json", text_silence,
          [(round(r["start_seconds"], 3), round(r["end_seconds"], 3)) for r in got["silence"]])
    text_scenes = [int(n) for n in re.findall(r"s  frame (\d+)", out)]
    check(f"{name}: text scenes = json", text_scenes, [s["frame"] for s in got["scenes"]])


def check_lists(path, got):
    """The EDL drops the ranges it lists; the CSV lists them with labels."""
    check("edl written", detect(path, "--black", "--silence", "--output", "breaks.edl")[0], 0)
    check("csv written", detect(path, "--black", "--silence", "--output", "breaks.csv")[0], 0)
    ranges = sorted([(r["start_seconds"], r["end_seconds"], "black") for r in got["black"]] +
                    [(r["start_seconds"], r["end_seconds"], "silence") for r in got["silence"]])
    with open("breaks.edl") as f:
        edl = [tuple(float(x) for x in line.split()) for line in f]
    check("edl lines", edl, [(round(s, 6), round(e, 6), 0.0) for s, e, _ in ranges])
    with open("breaks.csv") as f:
        csv = [line.strip().split(",") for line in f]
    check("csv lines", [(float(s), float(e), label) for s, e, label in csv], [(round(s, 6), round(e, 6), l) for s, e, l in ranges])
    code, out, err = tavrin("cut", path, "--list", "breaks.edl", "--output", "kept.avi", "--json")
    check("cut --list breaks.edl", code, 0)
    if code:
        failures.append(err)
        return
    # The cut keeps from the frame shown at a range's end on (7.5 s: frame 187).
    dropped = {n for s, e, _ in ranges for n in range(math.ceil(round(s * RATE, 6)), math.floor(round(e * RATE, 6)))}
    frames = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries",
                             "stream=nb_read_packets", "-of", "csv=p=0", "kept.avi"], capture_output=True, text=True)
    check("cut keeps the frames outside the breaks", int(frames.stdout.strip() or -1), SECONDS * RATE - len(dropped))


def check_scenes():
    for codec, args in (("mpeg4", ["-c:v", "mpeg4", "-q:v", "4"]), ("mjpeg", ["-c:v", "mjpeg", "-q:v", "4"])):
        inputs = [x for s in SCENES for x in ("-f", "lavfi", "-i", s)]
        graph = "".join(f"[{i}:v]format=yuv420p[v{i}];" for i in range(len(SCENES)))
        graph += "".join(f"[v{i}]" for i in range(len(SCENES))) + f"concat=n={len(SCENES)}:v=1[v]"
        ffmpeg(*inputs, "-filter_complex", graph, "-map", "[v]", *args, f"scenes-{codec}.avi")
        code, out, err = detect(f"scenes-{codec}.avi", "--scenes", "--json")
        got = [s["frame"] for s in json.loads(out)["scenes"]] if code == 0 else err
        print(f"scenes {codec}: {got}, truth {CUTS}")
        check(f"scenes {codec}: each cut on its frame, nothing more", got, CUTS)


def check_packed(source):
    """B-frames packed as DivX 5 and Xvid pack them (with DivX's marker,
    without it, and only from the second key frame on, where the stream
    turns out packed after chunks that were not): the same black frames and
    scene changes as the unpacked file, in one pass and in stretches."""
    ffmpeg("-i", source, "-an", "-c:v", "mpeg4", "-q:v", "4", "-bf", "2", "-g", "50", "-flags", "+cgop",
           "-sc_threshold", "1000000000", "-vtag", "DX50", "plain-bf.avi")
    keys = [i for i, (flags, _) in enumerate(AviFile("plain-bf.avi").stream(0)) if flags & 0x10]
    pack_bframes("plain-bf.avi", "packed-marked.avi", b"\x7f", divx_marker=True)
    pack_bframes("plain-bf.avi", "packed-empty.avi", b"")
    pack_bframes("plain-bf.avi", "packed-later.avi", b"", start=keys[1])
    args = ("--black", "--scenes", "--min-seconds", "0.1", "--json")
    plain = json.loads(detect("plain-bf.avi", *args)[1])
    check("packed: the unpacked file has black runs", len(plain["black"]) >= 3, True)
    for name in ("packed-marked", "packed-empty", "packed-later"):
        for stretches in ("1", "3"):
            os.environ["TAVRIN_DETECT_STRETCHES"] = stretches
            try:
                code, out, err = detect(name + ".avi", *args)
            finally:
                del os.environ["TAVRIN_DETECT_STRETCHES"]
            got = json.loads(out) if code == 0 else err
            check(f"{name} in {stretches} stretches: as unpacked", got, plain)
    # Closed groups: the packed stream splits at its key frames too.
    os.environ["TAVRIN_DETECT_STRETCHES"] = "3"
    try:
        check("packed-later: split in stretches", "in 3 stretches" in detect("packed-later.avi", *args[:-1])[1], True)
    finally:
        del os.environ["TAVRIN_DETECT_STRETCHES"]


def ffmpeg_silences(path):
    """FFmpeg's silencedetect on path, with detect's rule (-50 dBFS, 0.5 s)."""
    p = subprocess.run(["ffmpeg", "-nostdin", "-i", path, "-af", "silencedetect=n=-50dB:d=0.5", "-f", "null", "-"],
                       capture_output=True, text=True)
    starts = re.findall(r"silence_start: ([\d.]+)", p.stderr)
    ends = re.findall(r"silence_end: ([\d.]+)", p.stderr)
    return [(float(s), float(e)) for s, e in zip(starts, ends)]


def check_aac_silences():
    """Raw AAC in AVI decodes only with the setup bytes after strf's
    WAVEFORMATEX (AudioSpecificConfig): without them it came out silent
    throughout. Its encoder's delay (1024 samples) is in the file as FFmpeg
    reads it too, so the silences are FFmpeg's, not the truth's."""
    ffmpeg("-f", "lavfi", "-i", PICTURES, "-f", "lavfi", "-i", SOUND.format(rate=48000), "-c:v", "mpeg4",
           "-c:a", "aac", "-b:a", "128k", "mpeg4-aac.avi")
    code, out, err = detect("mpeg4-aac.avi", "--silence", "--json")
    got = json.loads(out) if code == 0 else {}
    check("aac: exit", code, 0)
    ours = [(r["start_seconds"], r["end_seconds"]) for r in got.get("silence", [])]
    theirs = ffmpeg_silences("mpeg4-aac.avi")
    print(f"aac: silences {ours}, ffmpeg's {theirs}")
    check("aac: as many silences as ffmpeg finds", (len(ours), len(theirs)), (len(SILENCES), len(SILENCES)))
    for (start, end), (wstart, wend) in zip(ours, theirs):
        check(f"aac: silence {wstart}-{wend} within 2 ms of ffmpeg's", max(abs(start - wstart), abs(end - wend)) <= 0.002,
              True)


def check_stretches_equal_one_pass(names):
    """The video decoded in stretches on threads of their own finds exactly
    what one pass finds, with the stretches' ends inside black runs, at scene
    cuts and at the flash (2, 3, 4 and 7 stretches over 300 frames: MJPEG
    splits anywhere, MPEG-4 at key frames that decode alone; an open group's
    B-frames never split and closed groups do)."""
    ffmpeg("-f", "lavfi", "-i", PICTURES, "-c:v", "mpeg4", "-q:v", "3", "-bf", "2", "-flags", "+cgop", "-g", "25",
           "-sc_threshold", "1000000000", "closed-groups.avi")
    split = {}

    def in_stretches(n, *args):
        os.environ["TAVRIN_DETECT_STRETCHES"] = str(n)
        try:
            return detect(*args)
        finally:
            del os.environ["TAVRIN_DETECT_STRETCHES"]
    for name in names + ["closed-groups"]:
        one = in_stretches(1, name + ".avi", "--json")
        for n in (2, 3, 4, 7):
            check(f"{name} in {n} stretches: as one pass", in_stretches(n, name + ".avi", "--json")[:2], one[:2])
            split[name, n] = f"in {n} stretches" in in_stretches(n, name + ".avi")[1]
    print("split:", sorted(k for k, v in split.items() if v))
    for name in names + ["closed-groups"]:
        open_groups = name == "mpeg4-mp3"  # -bf 2: a B-frame after every key frame
        check(f"{name}: split in stretches", all(split[name, n] for n in (2, 3, 4, 7)), not open_groups)


def check_ctrl_c(source):
    """Ctrl-C while detect reads a long recording with --output: cancelled
    as every command is (exit 1, "cancelled", the JSON's result 1), no list
    and no temporary file left. The run is held at a read of its input well
    into the detection and signalled there (tests/cli/read_gate.py)."""
    # A minute of it: a few thousand index entries, the cancel is asked every 64.
    ffmpeg("-stream_loop", "4", "-i", source, "-c", "copy", "long.avi")
    before = sorted(os.listdir("."))
    try:
        gate = ReadGate("long.avi")
    except OSError as e:
        print(f"SKIP: Ctrl-C during detect: {e}")
        return
    p = subprocess.Popen([CLI, "detect", "long.avi", "--black", "--silence", "--output", "breaks.edl", "--json"],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    reads = []

    def well_into_it():  # past the look at the file and the index, with Ctrl-C caught
        reads.append(1)
        return len(reads) > 1000 and (WINDOWS or sigint_caught(p.pid))
    if gate.hold(p, well_into_it):
        os.kill(p.pid, signal.SIGINT)
    else:
        failures.append("ctrl-c: detect ended before its 1000th read")
    gate.release()
    out, err = p.communicate(timeout=120)
    doc = json.loads(out or "{}")
    check("ctrl-c: exit, result and message", (p.returncode, doc.get("result"), doc.get("message")), (1, 1, "cancelled"))
    check("ctrl-c: said on stderr", "cancelled" in err.decode(), True)
    check("ctrl-c: no list, no temporary", sorted(os.listdir(".")), before)
    os.remove("long.avi")


def check_no_sound_and_faults(source):
    ffmpeg("-f", "lavfi", "-i", PICTURES, "-c:v", "mpeg4", "silent-film.avi")
    code, out, err = detect("silent-film.avi", "--silence", "--json")
    got = json.loads(out) if code == 0 else {}
    check("no sound: empty list and a note", (code, got.get("silence"), got.get("note")), (0, [], "the file has no sound"))
    check("no sound: said on stderr", "no sound" in err, True)
    cut_short(source, "short.avi", 1, 2)
    code, out, err = detect("short.avi", "--json")
    check("cut short: exit 1 with why", (code, json.loads(out or "{}").get("result")), (1, 1))
    check("cut short: the reason", "cut short" in err or "repair" in err, True)
    with open("text.avi", "w") as f:
        f.write("no video here\n" * 100)
    code, _, err = detect("text.avi")
    check("not an AVI: exit 1", (code, "not an AVI" in err), (1, True))
    for args in (["--min-seconds", "0"], ["--min-seconds", "x"], ["--scenes", "--output", "a.edl"]):
        check(f"usage {args}", detect(source, *args)[0], 2)
    code, out, _ = detect(source, "--black", "--min-seconds", "1.8", "--json")
    check("--min-seconds 1.8 leaves out the fade (1.64 s)",
          [r["first_frame"] for r in json.loads(out)["black"]] if code == 0 else code, [75])


def main():
    decoding_work("detect-work")
    fade_start = true_fade_start()
    for name, (video, sound, rate) in KINDS.items():
        ffmpeg("-f", "lavfi", "-i", PICTURES, "-f", "lavfi", "-i", SOUND.format(rate=rate), *video, *sound,
               *IN_STEP, name + ".avi")
        got = check_breaks(name, name + ".avi", fade_start)
        if name == "mpeg4-pcm" and got:
            check_text_equals_json(name, name + ".avi")
        if name == "mjpeg-pcm" and got:
            check_lists(name + ".avi", got)
    check_scenes()
    check_stretches_equal_one_pass(list(KINDS) + ["scenes-mpeg4", "scenes-mjpeg"])
    check_aac_silences()
    check_packed("mpeg4-pcm.avi")
    check_ctrl_c("mpeg4-pcm.avi")
    check_no_sound_and_faults("mpeg4-pcm.avi")
    finish()


if __name__ == "__main__":
    main()
