#!/usr/bin/env python3
"""tavrin frame against FFmpeg's own decoding of the same frame, for every
codec Debian's FFmpeg encodes into AVI: at a key frame, just before one (the
last frame of a group) and at the file's last frame the PNG holds the same
pixels (within 1 per sample where colour conversion rounds) and is nearer to
that frame than to its neighbours. Crafted files: MPEG-4 with packed
B-frames (the P and B frame in one chunk, then an empty or a one-byte chunk)
must show what the unpacked file shows; dropped frames (empty chunks) show
the picture before; times at 30000/1001 land on floor(T x rate). Faults: a
damaged frame, a file cut short, a codec without a decoder, a time past the
end: exit 1, the reason, nothing written."""
import json
import os
import struct
import subprocess

from avi_file import AviFile
from clitest import SAMPLES, check, decoding_work, failures, finish, tavrin
from crafted_mpeg4 import pack_bframes, rewrite_video
from picture_check import difference, ffmpeg_frames, read_png, shown_frames

SIZE = (160, 120)


def encode(name, *args, seconds=2, rate="25", size="160x120"):
    path = name + ".avi"
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"testsrc2=size={size}:rate={rate}:duration={seconds}", *args, path], check=True)
    return path


def key_frames(path):
    code, out, _ = tavrin("keyframes", path, "--json")
    return [k["frame"] for k in json.loads(out)["key_frames"]] if code == 0 else []


def frame_png(path, n, size=SIZE, output="frame.png"):
    """tavrin frame's picture of frame n: (pixels, error text)."""
    code, out, err = tavrin("frame", path, "--frame", str(n), "--output", output)
    if code != 0:
        return None, err.strip()
    width, height, channels, pixels = read_png(output)
    os.remove(output)
    if (width, height, channels) != (*size, 3):
        return None, f"a {width}x{height} picture of {channels} channels"
    return pixels, ""


def check_frame(what, path, n, expected, size=SIZE):
    """Frame n equals expected[n] (1 per sample) and is nearer to it than to
    its neighbours."""
    pixels, error = frame_png(path, n, size)
    if pixels is None:
        failures.append(f"{what}: frame {n}: {error}")
        return
    worst, total = difference(pixels, expected[n])
    check(f"{what}: frame {n}: largest difference from FFmpeg's", worst <= 1, True)
    for other in (n - 1, n + 1):
        if 0 <= other < len(expected) and expected[other] != expected[n]:
            check(f"{what}: frame {n} nearer to itself than to frame {other}",
                  total < difference(pixels, expected[other])[1], True)


# name, encoder arguments, and the frame size where it is not 160x120.
CODECS = [
    ("mpeg4", ["-c:v", "mpeg4", "-g", "30", "-q:v", "4"]),
    ("mpeg4-bframes", ["-c:v", "mpeg4", "-g", "30", "-bf", "2", "-q:v", "4"]),
    ("xvid-tag", ["-c:v", "mpeg4", "-g", "30", "-bf", "1", "-vtag", "XVID"]),
    ("msmpeg4v2", ["-c:v", "msmpeg4v2", "-g", "30", "-q:v", "4"]),
    ("msmpeg4v3", ["-c:v", "msmpeg4", "-g", "30", "-q:v", "4"]),
    ("h264", ["-c:v", "libx264", "-g", "30", "-bf", "3", "-preset", "fast"]),
    ("hevc", ["-c:v", "libx265", "-g", "30", "-bf", "3", "-x265-params", "log-level=error", "-tag:v", "HEVC"]),
    ("mpeg1", ["-c:v", "mpeg1video", "-g", "30", "-bf", "2"]),
    ("mpeg2", ["-c:v", "mpeg2video", "-g", "30", "-bf", "2"]),
    ("mjpeg", ["-c:v", "mjpeg", "-q:v", "3"]),
    ("huffyuv", ["-c:v", "huffyuv"]),
    ("ffvhuff", ["-c:v", "ffvhuff"]),
    ("utvideo", ["-c:v", "utvideo"]),
    ("ffv1", ["-c:v", "ffv1", "-g", "30"]),
    ("cinepak", ["-c:v", "cinepak"]),
    ("msvideo1", ["-c:v", "msvideo1"]),
    ("rgb24", ["-c:v", "rawvideo", "-pix_fmt", "bgr24"]),
    ("yuy2", ["-c:v", "rawvideo", "-pix_fmt", "yuyv422"]),
    ("i420", ["-c:v", "rawvideo", "-pix_fmt", "yuv420p"]),
    ("rgb32", ["-c:v", "rawvideo", "-pix_fmt", "bgra"]),
    ("uyvy", ["-c:v", "rawvideo", "-pix_fmt", "uyvy422"]),
    ("y800", ["-c:v", "rawvideo", "-pix_fmt", "gray"]),
]


def check_codecs():
    for name, args in CODECS:
        path = encode(name, *args)
        expected = ffmpeg_frames(path, *SIZE)
        keys = key_frames(path)
        later = [k for k in keys if k > 0]
        # A key frame, the frame before it (the last of the group before) and the last frame.
        frames = sorted({later[0] if later else 0, later[0] - 1 if later else 1, len(expected) - 1})
        for n in frames:
            check_frame(name, path, n, expected)
    # DV: PAL's frame size only.
    path = encode("dv", "-vf", "scale=720:576,setsar=16/15", "-c:v", "dvvideo", "-pix_fmt", "yuv420p", seconds=1)
    expected = ffmpeg_frames(path, 720, 576)
    for n in (0, 24):
        check_frame("dv", path, n, expected, (720, 576))


def check_last_open_group():
    """A file ending in a key frame and the B-frames shown before it (their
    chunks come after it): started at that key frame they lack their earlier
    reference and bring out nothing, so the key frame's picture comes at the
    end of the stream; every frame from the group before on is FFmpeg's."""
    path = encode("last-open-group", "-c:v", "mpeg4", "-g", "10", "-bf", "2", "-q:v", "3", "-vtag", "XVID", seconds=1.6)
    expected = ffmpeg_frames(path, *SIZE)
    keys = key_frames(path)
    check("last-open-group: frames", len(expected), 40)
    check("last-open-group: its last key frame is the third last chunk", keys[-1:], [37])
    for n in range(keys[-2] if len(keys) > 1 else 0, len(expected)):
        check_frame("last-open-group", path, n, expected)


def check_packed_and_dropped():
    plain = encode("unpacked", "-c:v", "mpeg4", "-g", "30", "-bf", "2", "-q:v", "4", "-vtag", "DX50")
    expected = ffmpeg_frames(plain, *SIZE)
    for filler, name in ((b"", "packed-empty.avi"), (b"\x7f", "packed-byte.avi")):
        pack_bframes(plain, name, filler)
        for n in (0, 1, 2, 3, 29, 30, 31, len(expected) - 2, len(expected) - 1):
            check_frame(name, name, n, expected)
    # Packed from the second key frame on: the frames around it decode from
    # the first (its group is open) through chunks that were not packed.
    second = key_frames(plain)[1]
    pack_bframes(plain, "packed-later.avi", b"", start=second)
    for n in (second - 2, second - 1, second, second + 1, second + 2, second + 3, len(expected) - 1):
        check_frame("packed-later.avi", "packed-later.avi", n, expected)
    # Dropped frames: an empty chunk after frames 9 and 10 (frames 10 and
    # 11 of the new file show frame 9) and after the last.
    source = encode("nodrop", "-c:v", "mpeg4", "-g", "30", "-q:v", "4")
    chunks = AviFile(source).stream(0)
    dropped = chunks[:10] + [(0, b""), (0, b"")] + chunks[10:] + [(0, b"")]
    rewrite_video(source, "dropped.avi", dropped)
    shown = shown_frames(source, *SIZE, [len(p) for _, p in dropped])
    for n in (9, 10, 11, 12, len(shown) - 1):
        check_frame("dropped frames", "dropped.avi", n, shown)


def check_samples():
    """The real writers' samples (libxvid's packed B-frames after three
    empty chunks, mencoder, GStreamer, MJPEG): the first frames, a key frame
    and the frame before it, and the last, as FFmpeg shows them."""
    for name in sorted(os.listdir(SAMPLES)) if SAMPLES and os.path.isdir(SAMPLES) else []:
        if not name.endswith(".avi"):
            continue
        path = os.path.join(SAMPLES, name)
        avi = AviFile(path)
        fmt = avi.streams[avi.video]["format"]
        size = struct.unpack_from("<ii", fmt, 4)
        size = (size[0], abs(size[1]))
        shown = shown_frames(path, *size, [len(p) for _, p in avi.stream(avi.video)])
        later = [k for k in key_frames(path) if k > 0]
        for n in sorted({0, 1, 4, later[0], later[0] - 1, len(shown) - 1} if later else {0, len(shown) - 1}):
            check_frame(name, path, n, shown, size)


def check_times_and_names():
    path = encode("ntsc", "-c:v", "mpeg4", "-g", "15", "-q:v", "4", rate="30000/1001")
    # 1.001 s is exactly frame 30; a hair less is frame 29.
    for at, frame in (("1.001", 30), ("1.0009999", 29), ("0:01.001", 30), ("0", 0)):
        code, out, err = tavrin("frame", path, "--at", at, "--json")
        result = json.loads(out) if code == 0 else {}
        check(f"--at {at}: frame", (code, result.get("frame")), (0, frame))
        check(f"--at {at}: default name", result.get("output"), f"ntsc-{frame:06d}.png")
        check(f"--at {at}: written", os.path.exists(f"ntsc-{frame:06d}.png"), True)
    code, out, _ = tavrin("frame", path, "--frame", "20", "--json")
    check("--json", json.loads(out) if code == 0 else out,
          {"result": 0, "frame": 20, "key_frame": 15, "seconds": 0.667333, "output": "ntsc-000020.png"})
    code, out, _ = tavrin("frame", path, "--frame", "20", "--output", "sub.png")
    check("--output", (code, os.path.exists("sub.png"), out.splitlines()[-1:]), (0, True, ["sub.png"]))


def check_refused(what, args, words):
    """exit 1, the reason said, no picture and no temporary file left."""
    before = sorted(os.listdir("."))
    code, out, err = tavrin("frame", *args)
    check(f"{what}: exit", code, 1)
    check(f"{what}: says {words!r} ({err.strip()})", words in err, True)
    check(f"{what}: nothing written", sorted(os.listdir(".")), before)


def check_faults():
    path = encode("faults", "-c:v", "mpeg4", "-g", "50", "-q:v", "4")
    chunks = AviFile(path).stream(0)
    # Frame 20 replaced by bytes that are no picture at all.
    damaged = chunks[:20] + [(0, bytes(range(256)) * 4)] + chunks[21:]
    rewrite_video(path, "damaged.avi", damaged)
    check_refused("a damaged frame", ["damaged.avi", "--frame", "22"], "frame 22: the decoder")
    code, _, _ = tavrin("frame", "damaged.avi", "--frame", "19", "--output", "before.png")
    check("before the damaged frame: saved", code, 0)
    # Cut short in the middle: the index is gone with the end.
    data = open(path, "rb").read()
    open("short.avi", "wb").write(data[:len(data) // 2])
    check_refused("a file cut short", ["short.avi", "--frame", "10"], "The file is cut short")
    # The index kept but the data cut short inside frame 40's chunk: the
    # index entries from there on point past the end.
    cut = data.find(chunks[40][1]) + 10
    open("short-data.avi", "wb").write(data[:cut] + data[data.rfind(b"idx1"):])
    check_refused("frame data cut short", ["short-data.avi", "--frame", "45"], "Index entry 40 (idx1) misses its chunk")
    # A codec no decoder reads.
    unknown = bytearray(data)
    strf = unknown.find(b"strf")
    unknown[strf + 8 + 16:strf + 8 + 20] = b"ZZZZ"
    strh = unknown.find(b"strh")
    unknown[strh + 12:strh + 16] = b"ZZZZ"
    open("unknown.avi", "wb").write(unknown)
    check_refused("a codec without a decoder", ["unknown.avi", "--frame", "0"], "no decoder for its codec ZZZZ")
    check_refused("a frame past the end", [path, "--frame", str(len(chunks))], "past the end")
    check_refused("a time past the end", [path, "--at", "2"], "past the end")
    check_refused("not an AVI", [__file__, "--frame", "0"], "not an AVI")
    for args in ([path], [path, "--at", "1", "--frame", "2"], [path, "--frame", "x"], [path, "--at", "1:75"]):
        code, _, err = tavrin("frame", *args)
        check(f"usage {args[1:]}: exit 2", code, 2)


def main():
    decoding_work("frame-work")
    check_codecs()
    check_last_open_group()
    check_packed_and_dropped()
    check_samples()
    check_times_and_names()
    check_faults()
    finish()


if __name__ == "__main__":
    main()
