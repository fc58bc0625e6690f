#!/usr/bin/env python3
"""tavrin info's summary checked against ffprobe and a direct reading of the
index on real samples (frames, frame rate, playing time, key frames, each
stream's codec and audio format), files it must call unsplittable with the
reason in words, and the --layout and --json forms kept."""
import json
import os
import re
import struct
import subprocess
import sys

from clitest import SAMPLES, check, failures, tavrin


def info(path, *extra):
    code, out, _ = tavrin("info", path, *extra)
    check(f"info {path} {extra} exit", code, 0)
    return out


def field(text, name):
    """The value of a summary line ("frames        751 at 25.000 fps")."""
    for line in text.splitlines():
        if line.startswith(name + " "):
            return line[len(name):].strip()
    failures.append(f"no line {name!r} in {text!r}")
    return ""


def index_entries(path):
    with open(path, "rb") as f:
        data = f.read()
    at = data.rfind(b"idx1")
    count = struct.unpack_from("<I", data, at + 4)[0] // 16
    return [struct.unpack_from("<4sI", data, at + 8 + 16 * k) for k in range(count)]


def against_ffprobe(path):
    text = info(path)
    p = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json", path],
                       capture_output=True)
    doc = json.loads(p.stdout)
    video = [e for e in index_entries(path) if e[0].startswith(b"00")]
    keys = sum(1 for e in video if e[1] & 0x10)
    num, den = map(int, doc["streams"][0]["r_frame_rate"].split("/"))
    name = os.path.basename(path)
    check(f"{name} frames", field(text, "frames"), f"{len(video)} at {num / den:.3f} fps")
    seconds = float(re.search(r"\(([0-9.]+) s\)", field(text, "playing time")).group(1))
    check(f"{name} playing time", abs(seconds - len(video) * den / num) < 0.002 * len(video) * den / num, True)
    at = [i for i, e in enumerate(video) if e[1] & 0x10] + [len(video)]
    longest = max(b - a for a, b in zip(at, at[1:]))
    check(f"{name} key frames", field(text, "key frames"),
          f"{keys}, every {len(video) / keys:.1f} frames on average, at most {longest} apart "
          f"({longest * den / num:.2f} s)")
    video_json = json.loads(info(path, "--json"))["video"]
    check(f"{name} json video", (video_json["frames"], video_json["key_frames"],
                                 video_json["key_frame_spacing_average"], video_json["key_frame_spacing_longest"],
                                 video_json["key_frame_spacing_longest_seconds"], video_json["codec"]),
          (len(video), keys, round(len(video) / keys, 1), longest, round(longest * den / num, 2),
           doc["streams"][0]["codec_tag_string"]))
    for n, s in enumerate(doc["streams"]):
        line = field(text, f"stream {n}")
        if s["codec_type"] == "video":
            check(f"{name} stream {n}", line.split(",")[0:3],
                  [f"video {s['codec_tag_string']}", f" {num / den:.3f} fps", f" {s['width']}x{s['height']}"])
        else:
            tag = int(s["codec_tag"], 16)
            channels = f"{s['channels']} channel" + ("" if s["channels"] == 1 else "s")
            check(f"{name} stream {n}", (f"(0x{tag:04X})" in line, line.split(", ")[1:3]),
                  (True, [f"{s['sample_rate']} Hz", channels]))
    check(f"{name} split", field(text, "split"), "yes, at any key frame after the first")
    check(f"{name} merge", field(text, "merge").startswith("yes"), True)


def refusals(path):
    """A file without its idx1 index: neither split nor merge takes it, and says why."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    at = data.rfind(b"idx1")
    data[at:at + 4] = b"JUNK"
    with open("noindex.avi", "wb") as f:
        f.write(data)
    text = info("noindex.avi")
    check("no index split", field(text, "split"), "no: It has no index (no idx1, no ix##).")
    check("no index repair", field(text, "repair").startswith("`tavrin repair` (or Repair in the window) can rebuild it"),
          True)
    check("no index merge", field(text, "merge").startswith("no: "), True)
    check("no index key frames", field(text, "key frames"), "none in the index")
    os.remove("noindex.avi")


def other_forms(path):
    check("layout", "movi list type at" in info(path, "--layout"), True)
    check("json", json.loads(info(path, "--json"))["riffSizeOffset"], 4)
    check("unknown option", tavrin("info", path, "--layout", "--bogus")[0], 2)


def main():
    names = ["ffmpeg_mpeg4_pcm_g12.avi", "ffmpeg_mpeg4_mp3_g15_ntsc.avi", "gst_mjpeg_pcm_g1.avi",
             "mencoder_mpeg4_mp3vbr_g250.avi", "ffmpeg_mpeg4_pcm+mp3_g25.avi", "ffmpeg_mpeg4_ac3_g12.avi"]
    paths = [os.path.join(SAMPLES, n) for n in names if os.path.exists(os.path.join(SAMPLES, n))]
    if not paths:
        print("SKIP: no samples")
        return 0
    for path in paths:
        against_ffprobe(path)
    refusals(paths[0])
    other_forms(paths[0])
    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures in {len(paths)} samples")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
