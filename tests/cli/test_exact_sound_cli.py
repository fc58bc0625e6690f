#!/usr/bin/env python3
"""tavrin cut --exact (and split --exact) with compressed sound: MP3 and
AC-3 start and end at the whole frame whose start is nearest the exact
picture's time. Files from real writers (mencoder's VBR MP3, GStreamer's
MP3 as a byte stream, FFmpeg's AC-3), FFmpeg's MP3 CBR and VBR and AC-3, and
the GStreamer file with its sound re-chunked so that chunks hold several
frames and frames run on into the next chunk. For every output: its sound
is a run of the source's sound bytes that begins and ends at frame starts
(whole frames, nothing between lost); it begins within half a frame of the
range's first picture and the JSON's start_ms / end_ms are that distance
as FFmpeg's packet times show it (within 1 ms); dwLength agrees; FFmpeg
decodes the output without a word. In one file of many ranges each range's
ends make up for the ranges before: the sound stays within half a frame of
the picture at every range (sync_ms), as FFmpeg's packet times of the
output show. The text names a range whose sound is off by more than a
frame."""
import json
import os
import shutil
import struct
import subprocess

from avi_file import Avi
from clitest import check, decoding_work, finish, needed_sample, tavrin

RATE = 25
KBITS_MP3 = {3: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
             2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]}
RATES_MP3 = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}
KBITS_AC3 = [32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640]


def frame_length(tag, b, at):
    """(bytes, seconds) of the MP3 (Layer III) or AC-3 frame at b[at:], or None."""
    h = b[at:at + 6]
    if len(h) < 6:
        return None
    if tag == 0x2000:
        if h[0] != 0x0B or h[1] != 0x77 or h[4] >> 6 == 3 or (h[4] & 0x3F) >> 1 >= len(KBITS_AC3):
            return None
        rate, kbits = (48000, 44100, 32000)[h[4] >> 6], KBITS_AC3[(h[4] & 0x3F) >> 1]
        words = kbits * 2 if rate == 48000 else kbits * 3 if rate == 32000 else kbits * 320 // 147 + (h[4] & 1)
        return 2 * words, 1536 / rate
    version, layer, index, rate_index = (h[1] >> 3) & 3, (h[1] >> 1) & 3, h[2] >> 4, (h[2] >> 2) & 3
    if h[0] != 0xFF or h[1] & 0xE0 != 0xE0 or version == 1 or layer != 1 or index in (0, 15) or rate_index == 3:
        return None
    rate, pad = RATES_MP3[version][rate_index], (h[2] >> 1) & 1
    samples = 1152 if version == 3 else 576
    return samples // 8 * 1000 * KBITS_MP3[3 if version == 3 else 2][index] // rate + pad, samples / rate


def frame_starts(tag, data):
    """The byte of each frame of a run of whole frames, and where the last ends."""
    starts, at = [], 0
    while at < len(data):
        f = frame_length(tag, data, at)
        if f is None:
            return None
        starts.append(at)
        at += f[0]
    return starts if at == len(data) else None


def sound_of(avi, s):
    return [payload for n, _, payload in avi.chunks if n == s]


def sound_times(path, chunks):
    """The source time of each chunk's start, as FFmpeg's packets show them
    (packets are a file's chunks, in order): {stream byte: seconds}."""
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "packet=pts_time,size",
                          "-of", "csv=p=0", path], capture_output=True, text=True, check=True).stdout
    times, at = {}, 0
    for line in out.split():
        pts, size = line.split(",")
        times[at] = float(pts)
        at += int(size)
    return times


def sound_clock(path, avi, probed=True):
    """The source time of a byte of path's sound stream (stream 1): FFmpeg's
    packet time where a packet begins there, else from the stream's byte rate
    (or its chunk count where each chunk is a frame)."""
    st = avi.streams[1]
    byte_rate = st["rate"] * max(st["sample_size"], 1) / st["scale"]
    times = sound_times(path, sound_of(avi, 1)) if probed else {}
    if st["sample_size"]:
        return lambda b: times.get(b, b / byte_rate)
    starts = frame_starts(st["tag"], b"".join(sound_of(avi, 1)))
    return lambda b: times.get(b, sum(1 for c in starts if c < b) * st["scale"] / st["rate"])


def rechunk(src, path, chunk_bytes):
    """src with its sound stream (stream 1) in chunks of chunk_bytes, each
    after the video chunk of its time: frames straddle chunks."""
    data = open(src, "rb").read()
    s = Avi(src)
    movi = data.index(b"movi") - 8
    video = [(flags, p) for n, flags, p in s.chunks if n == s.video]
    sound = b"".join(sound_of(s, 1))
    pieces = [sound[i:i + chunk_bytes] for i in range(0, len(sound), chunk_bytes)]
    per_frame = len(pieces) / len(video)
    order, taken = [], 0
    for k, (flags, p) in enumerate(video):
        order.append((b"00dc", flags, p))
        while taken < len(pieces) and taken < (k + 1) * per_frame:
            order.append((b"01wb", 0, pieces[taken]))
            taken += 1
    order += [(b"01wb", 0, p) for p in pieces[taken:]]
    body, index = bytearray(b"movi"), bytearray()
    for code, flags, p in order:
        index += code + struct.pack("<3I", flags, len(body), len(p))
        body += code + struct.pack("<I", len(p)) + p + b"\0" * (len(p) & 1)
    head = bytearray(data[12:movi])
    out = head + b"LIST" + struct.pack("<I", len(body)) + body + b"idx1" + struct.pack("<I", len(index)) + index
    open(path, "wb").write(b"RIFF" + struct.pack("<I", 4 + len(out)) + b"AVI " + out)


def check_range(what, src, out, r, probed=True):
    """out (one range r of src, a file of its own): whole frames of src's
    sound, from the frame nearest the first picture to the one nearest the
    picture after the last, as the JSON says."""
    s, o = Avi(src), Avi(out)
    st = s.streams[1]
    tag = st["tag"]
    source, kept = b"".join(sound_of(s, 1)), b"".join(sound_of(o, 1))
    starts = frame_starts(tag, source)
    check(f"{what}: the source's sound is whole frames", starts is not None, True)
    at = source.find(kept)
    check(f"{what}: the sound is one run of the source's", at >= 0, True)
    if starts is None or at < 0:
        return
    end = at + len(kept)
    check(f"{what}: it begins at a frame", at in starts, True)
    check(f"{what}: it ends at a frame (or the sound's end)", end in starts or end == len(source), True)
    if st["sample_size"] == 0:  # a frame a chunk: every chunk whole frames
        check(f"{what}: every chunk whole frames", all(frame_starts(tag, c) for c in sound_of(o, 1)), True)
        check(f"{what}: dwLength counts the chunks", o.streams[1]["length"], len(sound_of(o, 1)))
    else:
        check(f"{what}: dwLength counts the bytes", o.streams[1]["length"], len(kept) // st["sample_size"])
    # The source's times of the kept sound's ends: FFmpeg's packet times,
    # or the bytes at the stream's byte rate where packets are no frames.
    time_of = sound_clock(src, s, probed)
    frame = frame_length(tag, source, at)[1]
    picture = r["first_frame"] / RATE
    sound = r["sound"][0]
    check(f"{what}: within half a frame of the first picture",
          abs(time_of(at) - picture) <= frame / 2 + 0.0005, True)
    check(f"{what}: start_ms as FFmpeg shows it", abs(sound["start_ms"] / 1000 - (time_of(at) - picture)) <= 0.001, True)
    if sound["end_ms"] is not None:
        after = (r["first_frame"] + r["frames"]) / RATE
        check(f"{what}: end_ms as FFmpeg shows it", abs(sound["end_ms"] / 1000 - (time_of(end) - after)) <= 0.001,
              True)
        check(f"{what}: ends within half a frame", abs(time_of(end) - after) <= frame / 2 + 0.0005, True)
    check(f"{what}: sync_ms in a file of its own", sound["sync_ms"], -sound["start_ms"])
    errors = subprocess.run(["ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"], capture_output=True, text=True)
    check(f"{what}: FFmpeg decodes without a word", errors.stderr, "")


def cut_separate(what, src, ranges, probed=True):
    args = [a for r in ranges for a in ("--keep", r)]
    code, out, err = tavrin("cut", src, *args, "--separate", "--exact", "--json", "--output", what + ".avi")
    check(f"{what}: exit status", (code, err), (0, ""))
    if code:
        return None
    result = json.loads(out)
    for i, (name, r) in enumerate(zip(result["outputs"], result["ranges"])):
        check(f"{what}: range {i + 1} has one sound entry", [x["stream"] for x in r.get("sound", [])], [1])
        if r.get("sound"):
            check_range(f"{what} range {i + 1}", src, name, r, probed)
    return result


RANGES = ["3.3-7.7", "0-2.05", "10.13-12.9", "15.55-"]


def check_real_writers():
    for name in ("mencoder_mpeg4_mp3vbr_g250.avi", "gst_mpeg4_mp3_g12.avi", "ffmpeg_mpeg4_ac3_g12.avi"):
        src = needed_sample(name)
        shutil.copy(src, name)
        cut_separate(name[:-4], name, RANGES)


def encode(name, audio):
    path = name + ".avi"
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"testsrc2=size=160x120:rate={RATE}",
                    "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "20", "-c:v", "mpeg4",
                    "-g", "12", *audio, path], check=True)
    return path


def check_ffmpeg_files():
    for name, audio in (("mp3cbr", ["-c:a", "libmp3lame", "-b:a", "128k"]),
                        ("mp3vbr", ["-c:a", "libmp3lame", "-q:a", "4"]),
                        ("ac3", ["-c:a", "ac3", "-b:a", "192k", "-ar", "48000"])):
        cut_separate(name, encode(name, audio), RANGES)


def check_straddling():
    """Several frames a chunk, frames running on into the next chunk:
    the output's chunks are cut inside at frame starts."""
    rechunk(needed_sample("gst_mpeg4_mp3_g12.avi"), "straddle.avi", 1000)
    result = cut_separate("straddle", "straddle.avi", RANGES, probed=False)
    if result:
        first = Avi("straddle-1.avi")
        check("straddle: the first chunk begins with a frame", frame_length(0x55, sound_of(first, 1)[0], 0) is not None,
              True)


# Twelve short ranges a little over and under a whole number of sound frames
# each, so that frames each picked nearest its own picture would add up
# (AC-3's 32 ms frames against 40 ms pictures went 8, 32, 56 ms late).
MANY = [f"{0.04 + 0.6 * i:.2f}-{0.24 + 0.6 * i + 0.04 * (i % 3):.2f}" for i in range(12)]


def check_joined(what, src, ranges, probed=True):
    """ranges cut into one file: each range's sound is a run of src's whole
    frames where the JSON's start_ms and end_ms put it, the runs one after
    the other; at every range the sound plays within half a frame of the
    picture (never more than one), and sync_ms is what the output's packet
    times show: the output time of the range's first sound byte less its
    source time, against the same for its first picture."""
    out = what + ".avi"
    code, text, err = tavrin("cut", src, *[a for r in ranges for a in ("--keep", r)], "--exact", "--json",
                             "--output", out)
    check(f"{what}: exit status", (code, err), (0, ""))
    if code:
        return
    result = json.loads(text)
    s, o = Avi(src), Avi(out)
    tag = s.streams[1]["tag"]
    source, kept = b"".join(sound_of(s, 1)), b"".join(sound_of(o, 1))
    starts = frame_starts(tag, source)
    check(f"{what}: the source's sound is whole frames", starts is not None, True)
    check(f"{what}: the output's sound is whole frames", frame_starts(tag, kept) is not None, True)
    if starts is None:
        return
    source_time, output_time = sound_clock(src, s, probed), sound_clock(out, o, probed)
    nearest = lambda t: min(starts + [len(source)], key=lambda b: abs(source_time(b) - t))
    at_byte, at_frame, worst = 0, 0, 0
    for i, r in enumerate(result["ranges"]):
        sound, first = r["sound"][0], r["first_frame"] / RATE
        begin = nearest(first + sound["start_ms"] / 1000)
        end = nearest((r["first_frame"] + r["frames"]) / RATE + sound["end_ms"] / 1000) \
            if sound["end_ms"] is not None else len(source)
        check(f"{what} range {i + 1}: start_ms at a frame", abs(source_time(begin) - first - sound["start_ms"] / 1000)
              <= 0.001, True)
        check(f"{what} range {i + 1}: its sound is the source's frames from there", kept[at_byte:at_byte + end - begin],
              source[begin:end])
        late = output_time(at_byte) - source_time(begin) - (at_frame - r["first_frame"]) / RATE
        check(f"{what} range {i + 1}: sync_ms as FFmpeg's packet times show it",
              abs(late - sound["sync_ms"] / 1000) <= 0.001, True)
        check(f"{what} range {i + 1}: in step within a frame", abs(late) <= sound["frame_ms"] / 1000 + 0.0005, True)
        worst = max(worst, abs(late) / (sound["frame_ms"] / 1000))
        at_byte, at_frame = at_byte + end - begin, at_frame + r["frames"]
    check(f"{what}: the ranges' sound is all the output's", at_byte, len(kept))
    check(f"{what}: within half a frame at every range (worst {worst:.2f} frame)", worst <= 0.5 + 0.02, True)
    check(f"{what}: no line says the sound is off", "plays" in result["message"], False)
    errors = subprocess.run(["ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"], capture_output=True, text=True)
    check(f"{what}: FFmpeg decodes without a word", errors.stderr, "")


def check_joined_files():
    """Many ranges in one file, sound a frame a chunk (FFmpeg's AC-3), as a
    byte stream (FFmpeg's MP3 CBR) and with frames running on into the next
    chunk; --separate keeps each range on its own."""
    check_joined("many-ac3", needed_sample("ffmpeg_mpeg4_ac3_g12.avi"), MANY)
    check_joined("many-mp3cbr", "mp3cbr.avi", MANY)
    check_joined("many-straddle", "straddle.avi", ["1.3-4.7", "8.1-11.9"] + MANY[:4], probed=False)
    # AC-3's 32 ms frames against 40 ms pictures: each range starts 8 ms
    # after a frame's start and ends 16 ms before one; in files of their own
    # nothing carries over (in one file this went 8, 32, 56 ms late).
    ranges = ["--keep", "0.04-0.24", "--keep", "0.36-0.56", "--keep", "0.68-0.88"]
    code, out, _ = tavrin("cut", needed_sample("ffmpeg_mpeg4_ac3_g12.avi"), *ranges, "--exact", "--separate",
                          "--json", "--output", "apart.avi")
    check("--separate: each range within half a frame of its own picture",
          [r["sound"][0]["sync_ms"] for r in json.loads(out)["ranges"]] if code == 0 else code, [8, 8, 8])


def check_split_and_text():
    """split --exact places the sound alike; the plain cut keeps its bytes
    (no "sound" figures); a sound off by more than a frame is said."""
    src = needed_sample("ffmpeg_mpeg4_ac3_g12.avi")
    shutil.copy(src, "split.avi")
    code, out, _ = tavrin("split", "split.avi", "--seconds", "7.33", "--overlap", "1", "--exact", "--json")
    check("split --exact: exit status", code, 0)
    if code == 0:
        result = json.loads(out)
        for name, r in zip(result["outputs"], result["ranges"]):
            check_range("split " + os.path.basename(name), "split.avi", name, r)
    code, out, _ = tavrin("cut", "split.avi", "--keep", "0-3", "--exact", "--json", "--output", "whole.avi")
    check("text: no line when within a frame", "plays" in json.loads(out)["message"], False)
    # Sound that ends at 10 s, a range after it: the range has no sound, so
    # the sound plays late by the time from its start to the picture's, which
    # no choice of frames mends (sound from elsewhere would not): said.
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"testsrc2=size=160x120:rate={RATE}", "-f",
                    "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=10", "-t", "20", "-c:v", "mpeg4",
                    "-g", "12", "-c:a", "ac3", "-b:a", "192k", "short.avi"], check=True)
    ranges = ["--keep", "2-3", "--keep", "12.1-14"]
    code, out, _ = tavrin("cut", "short.avi", *ranges, "--exact", "--json", "--output", "gone.avi")
    result = json.loads(out)
    syncs = [r["sound"][0]["sync_ms"] for r in result["ranges"]]
    check("sound gone: in step, then late by the time from the sound's end", [abs(syncs[0]) <= 16,
          abs(syncs[1] - 2100) <= 24], [True, True])
    check("sound gone: the text names range 2", [line[:52] for line in result["message"].split("\n")[2:]],
          ["Range 2: its sound (stream 1, cut at whole frames) p"])
    code, out, _ = tavrin("cut", "short.avi", *ranges, "--exact", "--lang", "ja", "--output", "gone-ja.avi")
    check("sound gone: the text in Japanese",
          "範囲 2: 音声 (ストリーム 1、フレーム単位で切りました) が映像より" in out and "遅れて再生されます" in out, True)


def main():
    decoding_work("exact-sound-work")
    check_real_writers()
    check_ffmpeg_files()
    check_straddling()
    check_joined_files()
    check_split_and_text()
    finish()


if __name__ == "__main__":
    main()
