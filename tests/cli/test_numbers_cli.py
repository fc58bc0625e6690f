#!/usr/bin/env python3
"""The numbers tavrin split and merge give beside their message, checked
against ffprobe and the files written, on real samples: the cut frame is a
key frame at or after the time asked, the outputs hold the frames and bytes
claimed, a merge of the parts counts the overlap the split left and the
joined file's exact size and playing time. Plain output keeps the first line
of the window's message and leaves out its Windows advice."""
import json
import os
import shutil
import struct
import subprocess
import sys
from fractions import Fraction

from clitest import CLI, SAMPLES, check, failures, tavrin


run = tavrin


def near(name, got, want, tolerance):
    if abs(got - want) > tolerance:
        failures.append(f"{name}: got {got!r}, want {want!r} (within {tolerance})")


def probe_video(path):
    """Frame rate, and whether each video frame is a key frame, from ffprobe.
    Frames count by time (pts), since ffprobe leaves out the empty chunks
    some muxers write for a repeated frame; the count comes from the index."""
    p = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                        "stream=r_frame_rate:packet=pts,flags", "-of", "json", path], capture_output=True)
    check(f"ffprobe {path} silent", p.stderr.decode("utf-8", "replace"), "")
    doc = json.loads(p.stdout)
    rate = Fraction(doc["streams"][0]["r_frame_rate"])
    keys = [False] * video_entries(path)
    for pkt in doc.get("packets", []):
        if pkt["pts"] < len(keys):
            keys[pkt["pts"]] = "K" in pkt["flags"]
    return rate, keys


def video_entries(path):
    """Entries of stream 0 in the file's idx1 index."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.rfind(b"idx1")
    count = struct.unpack_from("<I", data, at + 4)[0] // 16
    return sum(1 for k in range(count) if data[at + 8 + 16 * k:at + 10 + 16 * k] == b"00")


def fresh(*names):
    for n in names:
        if os.path.exists(n):
            os.remove(n)


def split_then_merge(sample, seconds, overlap):
    src = os.path.join(SAMPLES, sample)
    if not os.path.exists(src):
        return False
    shutil.copy(src, "v.avi")
    fresh("v-1.avi", "v-2.avi", "v-m.avi")
    rate, keys = probe_video("v.avi")
    tag = f"{sample} {seconds}s/{overlap}s"

    code, out, _ = run("split", "v.avi", "--seconds", str(seconds), "--overlap", str(overlap), "--json")
    check(f"{tag} split exit", code, 0)
    doc = json.loads(out)
    cut, start = doc["cut"], doc["second_start"]
    check(f"{tag} cut on a key frame", keys[cut["frame"]], True)
    check(f"{tag} second file starts on a key frame", keys[start["frame"]], True)
    # The first key frame at or after the time asked (times at the header's frame rate).
    near(f"{tag} cut seconds", cut["seconds"], float(cut["frame"] / rate), 1e-4 * cut["frame"] + 1e-6)
    near(f"{tag} start seconds", start["seconds"], float(start["frame"] / rate), 1e-4 * start["frame"] + 1e-6)
    check(f"{tag} cut at or after the time", cut["seconds"] >= seconds - 1e-6, True)
    check(f"{tag} overlap at least as asked", start["seconds"] <= cut["seconds"] - overlap + 1e-6, True)
    check(f"{tag} files", [f["name"] for f in doc["files"]], ["v-1.avi", "v-2.avi"])
    for f in doc["files"]:
        check(f"{tag} {f['name']} bytes", f["bytes"], os.path.getsize(f["name"]))
    check(f"{tag} first frames", len(probe_video("v-1.avi")[1]), cut["frame"])
    check(f"{tag} second frames", len(probe_video("v-2.avi")[1]), len(keys) - start["frame"])

    code, out, _ = run("merge", "v-1.avi", "v-2.avi", "--json")
    check(f"{tag} merge exit", code, 0)
    doc = json.loads(out)
    check(f"{tag} overlap frames", doc["overlap"]["frames"], cut["frame"] - start["frame"])
    near(f"{tag} overlap seconds", doc["overlap"]["seconds"], cut["seconds"] - start["seconds"], 1e-5)
    check(f"{tag} joined frames", doc["joined"]["frames"], len(keys))
    near(f"{tag} joined seconds", doc["joined"]["seconds"], float(len(keys) / rate), 1e-4 * len(keys))
    counted = doc["joined"]

    code, out, _ = run("merge", "v-1.avi", "v-2.avi", "--write", "--json")
    check(f"{tag} write exit", code, 0)
    doc = json.loads(out)
    check(f"{tag} write outputs", doc["outputs"], ["v-m.avi"])
    check(f"{tag} write message", doc["message"], "Completed")
    check(f"{tag} write counts the same", doc["joined"], counted)
    check(f"{tag} joined bytes", counted["bytes"], os.path.getsize("v-m.avi"))
    check(f"{tag} joined file frames", len(probe_video("v-m.avi")[1]), counted["frames"])
    return True


def size_split():
    code, out, _ = run("split", "v.avi", "--size-mb", "1.5", "--overlap", "1", "--json")
    check("size split exit", code, 0)
    doc = json.loads(out)
    sizes = [os.path.getsize(n) for n in ("v-1.avi", "v-2.avi")]
    check("size split bytes", [f["bytes"] for f in doc["files"]], sizes)
    check("size split fits", sizes[0] <= int(1.5 * 1048576), True)
    check("size split starts earlier", doc["second_start"]["frame"] < doc["cut"]["frame"], True)
    check("size split frames", len(probe_video("v-1.avi")[1]), doc["cut"]["frame"])


def plain_and_failures():
    fresh("v-1.avi", "v-2.avi")
    code, out, _ = run("split", "v.avi", "--seconds", "5", "--create", "second")
    check("plain exit", code, 0)
    lines = out.splitlines()
    check("plain first line", lines[0], "Completed")
    check("plain leaves out the Windows advice", "Media Player" in out, False)
    check("plain names the file written", lines[-1], f"v-2.avi: {os.path.getsize('v-2.avi')} bytes")
    code, out, _ = run("split", "v.avi", "--seconds", "5", "--lang", "ja")
    check("plain ja first line", out.splitlines()[0], "操作完了")
    # Failures carry no numbers, and keep the window's text whole.
    code, out, _ = run("split", "v.avi", "--hours", "9", "--json")
    doc = json.loads(out)
    check("failed split", (code, doc["message"], "cut" in doc, "files" in doc), (1, "[Time] is too long", False, False))
    code, out, _ = run("merge", "v.avi", "v.avi", "--json")
    doc = json.loads(out)
    check("merge of one file with itself is counted", "joined" in doc, doc["result"] == 0)


def main():
    ran = [split_then_merge("ffmpeg_mpeg4_mp3_g15_ntsc.avi", 7, 1.5),
           split_then_merge("gst_mjpeg_pcm_g1.avi", 4.3, 0),
           split_then_merge("mencoder_mpeg4_mp3vbr_g250.avi", 11, 0.5),
           split_then_merge("ffmpeg_mpeg4_pcm_g12.avi", 10, 2)]
    if not ran[-1]:
        print("SKIP: no samples")
        return 0
    size_split()
    plain_and_failures()
    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures in {sum(ran)} samples")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
