#!/usr/bin/env python3
"""tavrin dub and tavrin shift on real writers' files with sound files made
by ffmpeg: every output must read silently in ffprobe, its new stream's
payload must be the sound file's own bytes (the WAV's data, the MP3's or
AC-3's frames as ffmpeg copies them out), its dwLength and duration true,
every other stream's (payload, flags) sequence the input's, and the sound
no more than half a second behind any video frame. A dub of a file's own
sound (copied out by ffmpeg) gives it back byte for byte; offsets put in or
take off exactly the samples or frames they say. Then the refusals: none
writes a file."""
import json
import os
import struct
import subprocess
import sys
import tempfile
from fractions import Fraction

from clitest import SAMPLES, SKIPPED, check, failures, tavrin
from test_cut_cli import Avi

NONE = "ffmpeg_mpeg4_none_g25.avi"
PCM = "ffmpeg_mpeg4_pcm_g12.avi"
MP3 = "ffmpeg_mpeg4_mp3_g25_150s.avi"
TWO = "ffmpeg_mpeg4_pcm+mp3_g25.avi"
MENCODER_VBR = "mencoder_mpeg4_mp3vbr_g250.avi"


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-y", *args], check=True)


def probe_errors(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-show_packets", "-of", "csv", path], capture_output=True)
    return p.stderr.decode(errors="replace").strip()


def sound_files(folder):
    """name -> (path, the payload the stream must hold, samples or None)."""
    made = {}

    def raw(src, fmt, *extra):
        out = src + "." + fmt
        ffmpeg("-i", src, "-c", "copy", *extra, "-f", fmt, out)
        return open(out, "rb").read()

    tone = ["-f", "lavfi", "-i", "sine=f=440:d=4:r=48000"]
    p = os.path.join(folder, "s16.wav")
    ffmpeg(*tone, "-ac", "2", "-c:a", "pcm_s16le", p)
    made["wav"] = (p, raw(p, "s16le"))
    p = os.path.join(folder, "s24x6.wav")  # more than 2 channels: WAVE_FORMAT_EXTENSIBLE
    ffmpeg(*tone, "-ac", "6", "-c:a", "pcm_s24le", p)
    made["extensible"] = (p, raw(p, "s24le"))
    p = os.path.join(folder, "rf64.wav")
    ffmpeg(*tone, "-ac", "1", "-c:a", "pcm_s16le", "-rf64", "always", p)
    made["rf64"] = (p, raw(p, "s16le"))
    p = os.path.join(folder, "u8.wav")  # unsigned: silence is 0x80
    ffmpeg(*tone, "-ac", "1", "-c:a", "pcm_u8", p)
    made["u8"] = (p, raw(p, "u8"))
    p = os.path.join(folder, "u8x3.wav")  # WAVE_FORMAT_EXTENSIBLE of 8-bit PCM
    ffmpeg(*tone, "-ac", "3", "-c:a", "pcm_u8", p)
    made["u8x3"] = (p, raw(p, "u8"))
    frames = ["-write_xing", "0", "-id3v2_version", "0", "-write_id3v1", "0"]
    p = os.path.join(folder, "cbr.mp3")  # with an ID3v2 tag and an Info frame
    ffmpeg("-f", "lavfi", "-i", "sine=f=440:d=4:r=44100", "-c:a", "libmp3lame", "-b:a", "128k",
           "-metadata", "title=tone", p)
    made["mp3"] = (p, raw(p, "mp3", *frames))
    p = os.path.join(folder, "vbr.mp3")  # with a Xing frame
    ffmpeg("-f", "lavfi", "-i", "sine=f=440:d=4:r=44100", "-c:a", "libmp3lame", "-q:a", "5", p)
    made["mp3vbr"] = (p, raw(p, "mp3", *frames))
    p = os.path.join(folder, "t.mp2")
    ffmpeg("-f", "lavfi", "-i", "sine=f=440:d=4:r=48000", "-c:a", "mp2", "-b:a", "192k", p)
    made["mp2"] = (p, open(p, "rb").read())  # the mp2 muxer writes the frames alone
    p = os.path.join(folder, "t.ac3")
    ffmpeg("-f", "lavfi", "-i", "sine=f=440:d=4:r=48000", "-ac", "2", "-c:a", "ac3", "-b:a", "192k", p)
    made["ac3"] = (p, open(p, "rb").read())
    p = os.path.join(folder, "mono.ac3")
    ffmpeg("-f", "lavfi", "-i", "sine=f=440:d=4:r=48000", "-ac", "1", "-c:a", "ac3", "-b:a", "96k", p)
    made["ac3mono"] = (p, open(p, "rb").read())
    return made


# The sound as the JSON and the message word it ("1 channel", "2 channels").
SOUND_WORDS = {
    "wav": "PCM, 48000 Hz, 2 channels, 16 bits",
    "extensible": "PCM, 48000 Hz, 6 channels, 24 bits",
    "rf64": "PCM, 48000 Hz, 1 channel, 16 bits",
    "u8": "PCM, 48000 Hz, 1 channel, 8 bits",
    "u8x3": "PCM, 48000 Hz, 3 channels, 8 bits",
    "ac3": "AC-3, 48000 Hz, 2 channels, 192 kbit/s",
    "ac3mono": "AC-3, 48000 Hz, 1 channel, 96 kbit/s",
}


def check_decoded_silence(name, out, n, channels):
    """The n samples in front decode cleanly as silence, 0 (8-bit PCM is
    unsigned: its 0x00 is the loudest negative sample, a thump)."""
    p = subprocess.run(["ffmpeg", "-v", "error", "-i", out, "-map", "0:a:0", "-f", "s16le", "-c:a", "pcm_s16le", "-"],
                       capture_output=True)
    check(f"{name}: ffmpeg decodes", p.stderr.decode(errors="replace").strip(), "")
    check(f"{name}: decoded silence", p.stdout[:2 * n * channels] == bytes(2 * n * channels), True)


def dub(args, out, name):
    code, stdout, err = tavrin(*args, "--output", out, "--json")
    if code != 0:
        failures.append(f"{name}: exit {code}: {stdout} {err}")
        return None
    return json.loads(stdout)


def payload(avi, s):
    return b"".join(p for _, p in avi.stream(s))


def check_output(name, src_path, out_path, stream, want, replaced):
    """The common checks of one output whose stream `stream` is the new sound."""
    check(f"{name}: ffprobe", probe_errors(out_path), "")
    src, out = Avi(src_path), Avi(out_path)
    check(f"{name}: new stream payload", payload(out, stream) == want, True)
    # Every other stream as it was (the replaced one left out).
    kept = [s for s in range(len(src.streams)) if not (replaced and s == stream)]
    others = [s for s in range(len(out.streams)) if s != stream]
    for s_in, s_out in zip(kept, others):
        check(f"{name}: stream {s_in} unchanged", src.stream(s_in) == out.stream(s_out), True)
    check(f"{name}: streams", len(out.streams), len(src.streams) + (0 if replaced else 1))
    st = out.streams[stream]
    chunks = [p for _, p in out.stream(stream)]
    units = len(chunks) if st["sample_size"] == 0 else sum(len(p) for p in chunks) // st["sample_size"]
    check(f"{name}: dwLength", st["length"], units)
    check(f"{name}: avih frames", out.frames_in_header, src.frames_in_header)
    # The sound is never more than half a second behind a video frame.
    v = out.streams[out.video]
    frame = Fraction(v["scale"], v["rate"])
    unit = Fraction(st["scale"], st["rate"])
    total = units * unit
    done, k, worst = Fraction(0), 0, Fraction(0)
    for n, _, p in out.chunks:
        if n == stream:
            done += unit * (len(p) // st["sample_size"] if st["sample_size"] else 1)
        elif n == out.video:
            worst = max(worst, min(total, k * frame) - done)
            k += 1
    check(f"{name}: sound behind the picture at most 0.5 s", worst <= Fraction(1, 2), True)
    return out


def main():
    if not SAMPLES or not os.path.isfile(os.path.join(SAMPLES, NONE)):
        print("SKIPPED: no samples")
        return SKIPPED
    sample = lambda n: os.path.join(SAMPLES, n)
    with tempfile.TemporaryDirectory() as folder:
        sounds = sound_files(folder)
        out = os.path.join(folder, "out.avi")

        # Each kind of sound added to a file without sound, and in place of a file's sound.
        for kind in sounds:
            path, want = sounds[kind]
            r = dub(["dub", sample(NONE), path], out, f"add {kind}")
            if r:
                check(f"add {kind}: stream", (r["stream"], r["replaced"]), (1, False))
                check_output(f"add {kind}", sample(NONE), out, 1, want, False)
                check(f"add {kind}: longer than the picture", "longer" in r["message"], r["sound_seconds"] > r["video_seconds"])
                if kind in SOUND_WORDS:
                    check(f"add {kind}: sound", r["sound"], SOUND_WORDS[kind])
                    check(f"add {kind}: message", f"({SOUND_WORDS[kind]}, " in r["message"], True)
        for kind in ("wav", "mp3vbr", "ac3"):
            path, want = sounds[kind]
            r = dub(["dub", sample(PCM), path], out, f"replace {kind}")
            if r:
                check(f"replace {kind}: stream", (r["stream"], r["replaced"]), (1, True))
                check_output(f"replace {kind}", sample(PCM), out, 1, want, True)
        path, want = sounds["mp3"]
        if dub(["dub", sample(TWO), path, "--replace", "2"], out, "replace 2"):
            check_output("replace 2", sample(TWO), out, 2, want, True)
        if dub(["dub", sample(TWO), path, "--add"], out, "add third"):
            check_output("add third", sample(TWO), out, 3, want, False)
        vbr = Avi(out)
        st = vbr.streams[3]
        check("mp3 CBR: byte stream", (st["scale"], st["rate"], st["sample_size"]), (1, 16000, 1))

        # A file's own sound, copied out by ffmpeg, comes back byte for byte.
        for name, ext in ((PCM, "wav"), (MP3, "mp3"), (MENCODER_VBR, "mp3")):
            if not os.path.isfile(sample(name)):
                continue
            own = os.path.join(folder, "own." + ext)
            extra = ["-write_xing", "0", "-id3v2_version", "0"] if ext == "mp3" else []
            ffmpeg("-i", sample(name), "-map", "0:a:0", "-c", "copy", *extra, own)
            src = Avi(sample(name))
            s = next(i for i, x in enumerate(src.streams) if x["type"] == b"auds")
            if dub(["dub", sample(name), own, "--replace", str(s)], out, f"own sound {name}"):
                check(f"own sound {name}", payload(Avi(out), s) == payload(src, s), True)
                check(f"own sound {name}: ffprobe", probe_errors(out), "")

        # Offsets: PCM by samples, silence or trimmed; MPEG by whole frames or dwStart.
        path, want = sounds["wav"]  # 48 kHz, 4 bytes a sample
        r = dub(["dub", sample(NONE), path, "--offset", "0.5"], out, "pcm +0.5")
        if r:
            check("pcm +0.5: offset", r["offset"], {"asked": 0.5, "reached": 0.5, "method": "silence", "samples": 24000})
            check_output("pcm +0.5", sample(NONE), out, 1, bytes(24000 * 4) + want, False)
        r = dub(["dub", sample(NONE), path, "--offset", "-0:00.2500101"], out, "pcm -0.25")
        if r:
            check("pcm -0.25: offset", (r["offset"]["method"], r["offset"]["samples"]), ("trim", 12000))
            check_output("pcm -0.25", sample(NONE), out, 1, want[12000 * 4:], False)
        path, want = sounds["mp3vbr"]
        frames = []
        at = 0
        while at < len(want):  # the frames as ffmpeg copied them out
            b = want[at:at + 4]
            rates = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
            size = 144 * rates[b[2] >> 4] * 1000 // 44100 + ((b[2] >> 1) & 1)
            frames.append(want[at:at + size])
            at += size
        r = dub(["dub", sample(NONE), path, "--offset", "-0.1"], out, "mp3 -0.1")
        if r:  # 0.1 s is 3.83 frames of 1152 samples at 44.1 kHz: 4 off
            check("mp3 -0.1: offset", (r["offset"]["method"], r["offset"]["frames"]), ("frames", 4))
            check("mp3 -0.1: reached", abs(r["offset"]["reached"] + 4 * 1152 / 44100) < 1e-9, True)
            check_output("mp3 -0.1", sample(NONE), out, 1, b"".join(frames[4:]), False)
        r = dub(["dub", sample(NONE), path, "--offset", "0.2"], out, "mp3 +0.2")
        if r:  # dwStart in frames of 1152 / 44100 s: round(7.66) = 8
            check("mp3 +0.2: offset", (r["offset"]["method"], r["offset"]["units"]), ("dwStart", 8))
            data = open(out, "rb").read()
            strh = [i for i in range(len(data)) if data[i:i + 4] == b"strh"][1]
            check("mp3 +0.2: dwStart", struct.unpack_from("<I", data, strh + 8 + 28)[0], 8)
            check_output("mp3 +0.2", sample(NONE), out, 1, want, False)
        # shift: the stream's own sound moved.
        src = Avi(sample(PCM))
        r = dub(["shift", sample(PCM), "--stream", "1", "--offset", "-0.04"], out, "shift pcm")
        if r:
            ss = src.streams[1]
            rate = ss["rate"] // ss["scale"]
            n = round(Fraction(4, 100) * rate)
            check("shift pcm: offset", (r["offset"]["method"], r["offset"]["samples"]), ("trim", n))
            check_output("shift pcm", sample(PCM), out, 1, payload(src, 1)[n * ss["sample_size"]:], True)
        r = dub(["shift", sample(PCM), "--stream", "1", "--offset", "0.04"], out, "shift pcm +")
        if r:
            n = r["offset"]["samples"]
            check_output("shift pcm +", sample(PCM), out, 1, bytes(n * src.streams[1]["sample_size"]) + payload(src, 1), True)
        # 8-bit PCM (plain and extensible) dubbed, and shifted in an AVI ffmpeg wrote.
        for kind, channels in (("u8", 1), ("u8x3", 3)):
            path, want = sounds[kind]
            r = dub(["dub", sample(NONE), path, "--offset", "0.25"], out, f"{kind} +0.25")
            if r:
                check(f"{kind} +0.25: offset", (r["offset"]["method"], r["offset"]["samples"]), ("silence", 12000))
                check_output(f"{kind} +0.25", sample(NONE), out, 1, b"\x80" * 12000 * channels + want, False)
                check_decoded_silence(f"{kind} +0.25", out, 12000, channels)
        u8avi = os.path.join(folder, "u8.avi")
        ffmpeg("-i", sample(NONE), "-i", sounds["u8"][0], "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "pcm_u8",
               u8avi)
        src = Avi(u8avi)
        r = dub(["shift", u8avi, "--stream", "1", "--offset", "0.04"], out, "shift u8 +")
        if r:
            check("shift u8 +: offset", (r["offset"]["method"], r["offset"]["samples"]), ("silence", 1920))
            check_output("shift u8 +", u8avi, out, 1, b"\x80" * 1920 + payload(src, 1), True)
            check_decoded_silence("shift u8 +", out, 1920, 1)

        # Refusals: a clear exit status and no file.
        text = os.path.join(folder, "notes.txt")
        open(text, "w").write("no sound here\n" * 100)
        empty = os.path.join(folder, "empty.wav")
        open(empty, "wb").close()
        cut = os.path.join(folder, "cut.wav")
        whole = open(sounds["wav"][0], "rb").read()
        open(cut, "wb").write(whole[:len(whole) // 2])
        cutmp3 = os.path.join(folder, "cut.mp3")
        whole = open(sounds["mp3"][0], "rb").read()
        open(cutmp3, "wb").write(whole[:len(whole) - 100])
        garbage = os.path.join(folder, "garbage.mp3")
        open(garbage, "wb").write(whole[:len(whole) // 2] + os.urandom(5000) + whole[len(whole) // 2:])
        norate = os.path.join(folder, "norate.wav")
        whole = bytearray(open(sounds["u8"][0], "rb").read())
        struct.pack_into("<I", whole, whole.index(b"fmt ") + 12, 0)  # nSamplesPerSec
        open(norate, "wb").write(whole)
        wav = sounds["wav"][0]
        for name, args, want in [
            ("not a sound file", ["dub", sample(NONE), text], 1),
            ("an AVI as sound", ["dub", sample(NONE), sample(PCM)], 1),
            ("empty", ["dub", sample(NONE), empty], 1),
            ("truncated wav", ["dub", sample(NONE), cut], 1),
            ("truncated mp3", ["dub", sample(NONE), cutmp3], 1),
            ("garbage in mp3", ["dub", sample(NONE), garbage], 1),
            ("wav of rate 0", ["dub", sample(NONE), norate], 1),
            ("no such stream", ["dub", sample(PCM), wav, "--replace", "5"], 1),
            ("video stream", ["dub", sample(PCM), wav, "--replace", "0"], 1),
            ("shift video", ["shift", sample(PCM), "--stream", "0", "--offset", "1"], 1),
            ("several sound streams", ["dub", sample(TWO), wav], 2),
            ("replace and add", ["dub", sample(PCM), wav, "--replace", "1", "--add"], 2),
            ("bad offset", ["dub", sample(PCM), wav, "--offset", "1:75"], 2),
            ("offset takes all", ["dub", sample(NONE), wav, "--offset", "-10"], 1),
            ("shift without offset", ["shift", sample(PCM), "--stream", "1"], 2),
        ]:
            if os.path.exists(out):
                os.remove(out)
            code, stdout, err = tavrin(*args, "--output", out)
            check(f"{name}: exit", code, want)
            check(f"{name}: nothing written", os.path.exists(out), False)
            check(f"{name}: says why", bool(stdout.strip() or err.strip()), True)
        code, _, err = tavrin("dub", sample(NONE), norate, "--output", out)
        check("wav of rate 0: says why", "its format states 1 channel at 0 Hz" in err, True)
        code, stdout, _ = tavrin("dub", sample(NONE), wav, "--output", sample(NONE))
        check("output = input: exit", code, 2)
        code, stdout, _ = tavrin("dub", sample(NONE), wav, "--output", wav)
        check("output = sound file: exit", code, 2)
        code, stdout, _ = tavrin("dub", sample(NONE), text, "--lang", "ja", "--output", out)
        check("refusal in Japanese", "音声ファイル" in stdout, True)
        leftovers = [n for n in os.listdir(folder) if n.endswith(".tavrin-part")]
        check("no temporary files left", leftovers, [])

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
