#!/usr/bin/env python3
"""tavrin cut --exact on files from FFmpeg's writers: MPEG-4 Visual under the
FMP4, XVID and DX50 FourCCs (quarter-pixel and MPEG quantiser matrices too),
interlaced, MS-MPEG4 v3 and MJPEG, with PCM and MP3 sound. For every output:
exactly the frames ceil(A R) .. ceil(B R) - 1 of each range; the chunks
from each seam's key frame on are the source's bytes; the frames before it
are re-encoded (the first a key frame) and decode within 35 dB of their own
source frame and nearer to it than to its neighbours, the copied ones
identical, and take no fewer bytes than the source's frames they replace
(made at the source's quantiser, finer where it falls under 35 dB); PCM
is the source's to the sample; FFmpeg decodes the output
without a word; the JSON's counts agree with the file. Ranges at the very
start, inside one group and to the end; --drop; --separate. Refusals:
H.264 exits 1, writes nothing and says the key-frame cut works. MPEG-4 with
B-frames (chunks in decode order): every chunk not made anew is the
source's and every frame decodes as its own. Packed B-frames (DivX 5 as
crafted from FFmpeg's, libxvid's sample): the same, the key frame's own
picture taken from its chunk where it shows, and FFmpeg decodes exactly as
many pictures as the output's chunks hold (none lost, no stray one)."""
import json
import math
import os
import pty
import re
import select
import signal
import struct
import subprocess
import time
from fractions import Fraction

from avi_file import Avi, riff_chunks
from clitest import CLI, WINDOWS, check, decoding_work, finish, sample, tavrin
from crafted_mpeg4 import pack_bframes
from picture_check import difference, shown_frames

W, H = 160, 120
RATE = 25


def encode(name, *args, audio=("-c:a", "pcm_s16le")):
    path = name + ".avi"
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", f"testsrc2=size={W}x{H}:rate={RATE}",
                    "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", "10", *args, *audio, path],
                   check=True)
    return path


def luma(rgb):
    return [0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2] for i in range(0, len(rgb), 3)]


def psnr(a, b):
    """Y-PSNR of two RGB24 pictures."""
    total = sum((x - y) * (x - y) for x, y in zip(luma(a), luma(b)))
    return 99.0 if total == 0 else 10 * math.log10(255 * 255 * len(a) / 3 / total)


def exact_frames(asked, frames):
    """The frames a kept range [A, B) keeps: ceil(A R) .. ceil(B R) - 1."""
    a, b = asked.split("-")
    first = math.ceil(Fraction(a) * RATE) if a else 0
    end = min(math.ceil(Fraction(b) * RATE), frames) if b else frames
    return first, end


def video_chunks(avi):
    return [payload for n, _, payload in avi.chunks if n == avi.video], \
           [flags for n, flags, _ in avi.chunks if n == avi.video]


def check_output(what, src, out, ranges, reencoded, pictures):
    """out holds src's frames of ranges [(first, end)], the first
    reencoded[i] of range i made anew."""
    s, o = Avi(src), Avi(out)
    src_chunks, _ = video_chunks(s)
    out_chunks, out_flags = video_chunks(o)
    check(f"{what}: video frames", len(out_chunks), sum(e - f for f, e in ranges))
    check(f"{what}: header frames", o.streams[o.video]["length"], len(out_chunks))
    src_shown, out_shown = pictures(src, [len(c) for c in src_chunks]), pictures(out, [len(c) for c in out_chunks])
    at = 0
    for (first, end), made in zip(ranges, reencoded):
        # From the seam's key frame on: the source's bytes.
        check(f"{what}: frames {first + made}..{end - 1} are the source's chunks",
              out_chunks[at + made:at + end - first] == src_chunks[first + made:end], True)
        if made:
            check(f"{what}: re-encoded frame {first} is a key frame", bool(out_flags[at] & 0x10), True)
        for i in range(end - first):
            n, m = first + i, at + i
            if i < made:
                if i in (0, made // 2, made - 1):
                    check(f"{what}: re-encoded frame {n} within 35 dB", psnr(out_shown[m], src_shown[n]) >= 35, True)
                    for other in (n - 1, n + 1):
                        if 0 <= other < len(src_shown) and src_shown[other] != src_shown[n]:
                            check(f"{what}: re-encoded frame {n} nearer to itself than to frame {other}",
                                  difference(out_shown[m], src_shown[n])[1] < difference(out_shown[m], src_shown[other])[1],
                                  True)
            elif i < made + 3 or n == end - 1:
                check(f"{what}: copied frame {n} decodes as in the source", out_shown[m] == src_shown[n], True)
        at += end - first
    errors = subprocess.run(["ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"], capture_output=True, text=True)
    check(f"{what}: FFmpeg decodes without a word", errors.stderr, "")


def reencoded_bytes(src, out, ranges, reencoded):
    """The bytes of out's frames made anew and of the source's frames they
    replace."""
    src_chunks, out_chunks = video_chunks(Avi(src))[0], video_chunks(Avi(out))[0]
    made = replaced = at = 0
    for (first, end), n in zip(ranges, reencoded):
        made += sum(len(c) for c in out_chunks[at:at + n])
        replaced += sum(len(c) for c in src_chunks[first:first + n])
        at += end - first
    return made, replaced


def check_quantiser(what, src, out, ranges, reencoded, most=1.4):
    """The frames made anew at the source's finest quantiser: about the
    bytes of the source's frames they replace (a coarser quantiser makes
    far fewer), and not many more (a fixed fine quantiser made 1.5 to 1.8
    times theirs)."""
    made, replaced = reencoded_bytes(src, out, ranges, reencoded)
    if not replaced:
        return
    print(f"{what}: {made} bytes re-encoded for the source's {replaced} ({made / replaced:.2f}x)")
    check(f"{what}: re-encoded bytes at least 0.9x the source's", made >= 0.9 * replaced, True)
    check(f"{what}: re-encoded bytes at most {most}x the source's", made <= most * replaced, True)


def check_decode_order_output(what, src, out, ranges, result):
    """B-frames (chunks in decode order): out holds src's frames of ranges;
    every chunk but those the JSON says were made anew is one of the
    source's, byte for byte; each frame decodes as the source's or, made
    anew, within 35 dB of its own frame and nearer to it than to its
    neighbours."""
    s, o = Avi(src), Avi(out)
    src_chunks, _ = video_chunks(s)
    out_chunks, out_flags = video_chunks(o)
    check(f"{what}: video frames", len(out_chunks), sum(e - f for f, e in ranges))
    src_shown, out_shown = pictures_of(src, [len(c) for c in src_chunks]), pictures_of(out, [len(c) for c in out_chunks])
    at = 0
    for (first, end), r in zip(ranges, result["ranges"]):
        source = set(src_chunks[max(first - 3, 0):end + 3])
        copied = sum(1 for c in out_chunks[at:at + end - first] if c in source)
        check(f"{what}: frames {first}..{end - 1}: all but those made anew are the source's chunks",
              copied, end - first - r["reencoded_frames"])
        check(f"{what}: range from {first} begins with a key frame", bool(out_flags[at] & 0x10), True)
        if not r["exact"]:
            # A key-frame cut: the B-frames stored after its key frame show
            # before it and lack the group before, as in any key-frame cut.
            at += end - first
            continue
        differ = 0
        for i in range(end - first):
            n, m = first + i, at + i
            if out_shown[m] == src_shown[n]:
                continue
            differ += 1
            check(f"{what}: frame {n} within 35 dB", psnr(out_shown[m], src_shown[n]) >= 35, True)
            for other in (n - 1, n + 1):
                if 0 <= other < len(src_shown) and src_shown[other] != src_shown[n]:
                    check(f"{what}: frame {n} nearer to itself than to frame {other}",
                          difference(out_shown[m], src_shown[n])[1] < difference(out_shown[m], src_shown[other])[1], True)
        check(f"{what}: frames {first}..{end - 1}: no more differ than were made anew", differ <= r["reencoded_frames"], True)
        at += end - first
    errors = subprocess.run(["ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"], capture_output=True, text=True)
    check(f"{what}: FFmpeg decodes without a word", errors.stderr, "")


def check_b_frames():
    """MPEG-4 with B-frames (-bf 2; FMP4 and XVID): the key frame's chunk
    is followed by B-frames shown before it, and a range ending before a
    B-frame needs its tail made anew."""
    for name, tag in (("fmp4-bf2", "FMP4"), ("xvid-bf2", "XVID")):
        src = encode(name, "-c:v", "mpeg4", "-q:v", "4", "-g", "50", "-bf", "2", "-vtag", tag)
        frames = len(video_chunks(Avi(src))[0])
        # 3.96 s: frame 99, where the key frame stored at 97 shows.
        keep = ["0-0.5", "1.3-1.7", "1.96-2.1", "3.1-3.8", "3.96-5.1", "8.02-"]
        result = run_cut(name, src, [a for k in keep for a in ("--keep", k)], name + "-exact.avi")
        if result is None:
            continue
        ranges = [exact_frames(k, frames) for k in keep]
        got = [(r["first_frame"], r["first_frame"] + r["frames"]) for r in result["ranges"]]
        # XVID too: a short head's key frame, given out only at the encoder's
        # end, once lacked the source's user data, and FFmpeg then read the
        # frames after the seam as an old Xvid's (another IDCT).
        check(f"{name}: JSON ranges", got, ranges)
        check(f"{name}: every range exact", [r["exact"] for r in result["ranges"]], [True] * len(keep))
        check_decode_order_output(name, src, name + "-exact.avi", ranges, result)
        check_pcm(name, src, name + "-exact.avi", ranges)
        # 1.96-2.1 has a head made anew before its key frame and a tail after it: two seams.
        seams = re.search(r"re-encoded at (\d+) seams?", result["message"])
        made = sum(1 for r in result["ranges"] if r["reencoded_frames"])
        check(f"{name}: a head and a tail count as two seams", bool(seams) and int(seams.group(1)) > made, True)


def check_packed_output(what, src, out, ranges, result, size=(W, H), decoded=True):
    """Packed B-frames: out holds exactly src's frames of ranges (the
    headers' counts too); in each range the chunks made anew (as many as the
    JSON says) open or close it, the key frame's own picture (the start of
    its chunk) may stand where it shows, every other chunk is the source's
    at the same frame; each frame decodes as the source's or, made anew,
    within 35 dB and nearer to its own than to its neighbours (decoded:
    FFmpeg reads the packing, which it does only with DivX's marker and
    fillers that are not empty)."""
    s, o = Avi(src), Avi(out)
    src_chunks, src_flags = video_chunks(s)
    out_chunks, out_flags = video_chunks(o)
    frames = sum(e - f for f, e in ranges)
    check(f"{what}: video frames", len(out_chunks), frames)
    check(f"{what}: header frames", (o.frames_in_header, o.streams[o.video]["length"]), (frames, frames))
    keys = [src_chunks[k] for k, f in enumerate(src_flags) if f & 0x10]
    starts = [sum(e - f for f, e in ranges[:n]) for n in range(len(ranges))]
    made_in = [packed_made(what, src_chunks, out_chunks, out_flags, keys, at, first, end, r["reencoded_frames"])
               for (first, end), at, r in zip(ranges, starts, result["ranges"])]
    if not decoded:
        return
    probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                            "stream=nb_read_frames", "-of", "csv=p=0", out], capture_output=True, text=True)
    check(f"{what}: FFmpeg's pictures: one a chunk that holds any", probe.stdout.strip(),
          str(sum(1 for c in out_chunks if c)))
    src_shown = shown_frames(src, *size, [len(c) for c in src_chunks])
    out_shown = shown_frames(out, *size, [len(c) for c in out_chunks])
    at = 0
    for (first, end), made in zip(ranges, made_in):
        for i in range(end - first):
            n, m = first + i, at + i
            if i not in made:
                check(f"{what}: frame {n} decodes as in the source", out_shown[m] == src_shown[n], True)
                continue
            check(f"{what}: frame {n} within 35 dB", psnr(out_shown[m], src_shown[n]) >= 35, True)
            for other in (n - 1, n + 1):
                if 0 <= other < len(src_shown) and src_shown[other] != src_shown[n]:
                    check(f"{what}: frame {n} nearer to itself than to frame {other}",
                          difference(out_shown[m], src_shown[n])[1] < difference(out_shown[m], src_shown[other])[1], True)
        at += end - first
    errors = subprocess.run(["ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"], capture_output=True, text=True)
    check(f"{what}: FFmpeg decodes without a word", errors.stderr, "")


def packed_made(what, src_chunks, out_chunks, out_flags, keys, at, first, end, reencoded):
    """The frames first .. end - 1, from out's chunk at on, made anew
    (offsets in the range): the chunks neither the source's at the same
    frame nor a key frame's own picture; as many as the JSON says, at the
    range's start and end only, the first a key frame."""
    made = []
    for i in range(end - first):
        c = out_chunks[at + i]
        own_picture = bool(out_flags[at + i] & 0x10) and any(len(c) < len(k) and k.startswith(c) for k in keys)
        if c != src_chunks[first + i] and not own_picture:
            made.append(i)
    check(f"{what}: frames {first}..{end - 1}: chunks made anew", len(made), reencoded)
    opened = next((j for j, i in enumerate(made) if i != j), len(made))
    tail = made[opened:]
    check(f"{what}: frames {first}..{end - 1}: made anew at its start and end only",
          tail == list(range(end - first - len(tail), end - first)), True)
    check(f"{what}: range from {first} begins with a key frame", bool(out_flags[at] & 0x10), True)
    return made


def check_packed():
    """Packed B-frames: DivX 5's layout made from FFmpeg's -bf 2 (its marker
    in the user data, one-byte fillers) and libxvid's sample (N_VOP
    fillers): ranges at the start, inside one group, across a key frame, from
    where a key frame shows (only its own picture moved there), to the end;
    --separate."""
    plain = encode("packed-plain", "-c:v", "mpeg4", "-q:v", "4", "-g", "50", "-bf", "2", "-vtag", "DX50", audio=("-an",))
    pack_bframes(plain, "packed-dx50.avi", b"\x7f", divx_marker=True)
    # Empty fillers and no marker: found packed by its chunks alone.
    pack_bframes(plain, "packed-empty.avi", b"")
    xvid = sample("ffmpeg_xvid_mp3_g12.avi")
    # Key frames stored at 49 and 97 show at 51 and 99 (libxvid's: 49, shown at 51).
    keep = ["0-0.5", "1.3-1.7", "1.96-2.1", "3.1-3.9", "3.96-5.1", "8.02-"]
    cases = [("packed-dx50", "packed-dx50.avi", keep), ("packed-empty", "packed-empty.avi", keep)]
    if xvid:
        cases.append(("packed-xvid", xvid, ["0.2-0.5", "1.3-1.7", "2.04-2.5", "3.1-5.1", "25-"]))
    for name, src, keep in cases:
        frames = len(video_chunks(Avi(src))[0])
        result = run_cut(name, src, [a for k in keep for a in ("--keep", k)], name + "-exact.avi")
        if result is None:
            continue
        ranges = [exact_frames(k, frames) for k in keep]
        check(f"{name}: JSON ranges", [(r["first_frame"], r["first_frame"] + r["frames"]) for r in result["ranges"]],
              ranges)
        check(f"{name}: every range exact", [r.get("not_exact", "") for r in result["ranges"]], [""] * len(keep))
        check_packed_output(name, src, name + "-exact.avi", ranges, result, decoded=name != "packed-empty")
    result = run_cut("packed --separate", "packed-dx50.avi", ["--keep", "1.3-1.7", "--keep", "1.9-3", "--separate"],
                     "packed-part.avi")
    if result:
        for n, (r, want) in enumerate(zip(result["ranges"], [(33, 43), (48, 75)])):
            check(f"packed --separate {n + 1}: range", (r["first_frame"], r["first_frame"] + r["frames"]), want)
            check_packed_output(f"packed --separate {n + 1}", "packed-dx50.avi", f"packed-part-{n + 1}.avi", [want],
                                {"ranges": [r]})


def check_pcm(what, src, out, ranges):
    """The output's PCM is the source's, from each range's first frame's
    sample to its end's."""
    s, o = Avi(src), Avi(out)
    for n, st in enumerate(s.streams):
        if not s.pcm(n):
            continue
        block = st["sample_size"]
        data = b"".join(p for _, p in s.stream(n))
        at = [lambda f: f * st["rate"] // (st["scale"] * RATE) * block][0]
        want = b"".join(data[at(f):at(e)] for f, e in ranges)
        check(f"{what}: PCM to the sample", b"".join(p for _, p in o.stream(n)) == want, True)


def says_reencoded(message, frames, seams):
    """Whether the message says "1 frame re-encoded at 1 seam", "10 frames
    re-encoded at 2 seams" (the singular for one)."""
    text = f"{frames} frame{'' if frames == 1 else 's'} re-encoded at {seams} seam{'' if seams == 1 else 's'}"
    return re.search(r"(^|\s)" + re.escape(text) + r"\b", message) is not None


def run_cut(what, src, args, output):
    code, out, err = tavrin("cut", src, *args, "--exact", "--json", "--output", output)
    check(f"{what}: exit status ({err.strip()})", code, 0)
    return json.loads(out) if code == 0 else None


def pictures_of(path, sizes):
    return shown_frames(path, W, H, sizes)


# name, encoder arguments, sound
CASES = [
    ("fmp4", ["-c:v", "mpeg4", "-q:v", "4", "-g", "50", "-vtag", "FMP4"], ("-c:a", "pcm_s16le")),
    ("xvid-mp3", ["-c:v", "mpeg4", "-q:v", "4", "-g", "50", "-vtag", "XVID"], ("-c:a", "libmp3lame")),
    ("dx50-qpel-matrix", ["-c:v", "mpeg4", "-q:v", "4", "-g", "50", "-vtag", "DX50", "-flags", "+qpel",
                          "-mpeg_quant", "1"], ("-c:a", "pcm_s16le")),
    ("xvid-interlaced", ["-c:v", "mpeg4", "-q:v", "4", "-g", "50", "-vtag", "XVID", "-flags", "+ildct+ilme"],
     ("-c:a", "pcm_u8", "-ar", "11025")),
    ("msmpeg4v3", ["-c:v", "msmpeg4", "-q:v", "4", "-g", "50"], ("-c:a", "pcm_s16le")),
    ("mjpeg", ["-c:v", "mjpeg", "-q:v", "4"], ("-c:a", "pcm_s16le")),
]
# At the very start (a key frame: nothing re-encoded), inside one group,
# across a key frame, to the end.
KEEP = ["0-0.5", "1.3-1.7", "3.1-5.1", "8.02-"]


def check_keep():
    for name, args, audio in CASES:
        src = encode(name, *args, audio=audio)
        frames = len(video_chunks(Avi(src))[0])
        keys = [i for i, f in enumerate(video_chunks(Avi(src))[1]) if f & 0x10]
        result = run_cut(name, src, [a for k in KEEP for a in ("--keep", k)], name + "-exact.avi")
        if result is None:
            continue
        ranges = [exact_frames(k, frames) for k in KEEP]
        intra = name == "mjpeg"
        made = [0 if intra or f in keys else min([k for k in keys if k > f] + [e]) - f for f, e in ranges]
        check(f"{name}: JSON ranges", [(r["first_frame"], r["first_frame"] + r["frames"]) for r in result["ranges"]],
              ranges)
        check(f"{name}: JSON re-encoded frames", [r["reencoded_frames"] for r in result["ranges"]], made)
        check(f"{name}: every range exact", [r["exact"] for r in result["ranges"]], [True] * len(KEEP))
        check(f"{name}: lowest PSNR at least 35 dB",
              all(r["lowest_psnr"] is None or r["lowest_psnr"] >= 35 for r in result["ranges"]), True)
        check(f"{name}: the text counts the seams",
              says_reencoded(result["message"], sum(made), sum(1 for m in made if m)), True)
        check_output(name, src, name + "-exact.avi", ranges, made, pictures_of)
        check_pcm(name, src, name + "-exact.avi", ranges)
        check_quantiser(name, src, name + "-exact.avi", ranges, made)


def check_coarse_source():
    """A source at a coarse quantiser: its frames made anew at a finer one
    where the source's would fall under 35 dB."""
    src = encode("coarse", "-c:v", "mpeg4", "-q:v", "24", "-g", "50", "-vtag", "FMP4")
    frames = len(video_chunks(Avi(src))[0])
    result = run_cut("coarse", src, [a for k in KEEP for a in ("--keep", k)], "coarse-exact.avi")
    if result is None:
        return
    ranges = [exact_frames(k, frames) for k in KEEP]
    made = [r["reencoded_frames"] for r in result["ranges"]]
    check("coarse: every range exact", [r["exact"] for r in result["ranges"]], [True] * len(KEEP))
    check("coarse: lowest PSNR at least 35 dB",
          all(r["lowest_psnr"] is None or r["lowest_psnr"] >= 35 for r in result["ranges"]), True)
    check_output("coarse", src, "coarse-exact.avi", ranges, made, pictures_of)
    check_quantiser("coarse", src, "coarse-exact.avi", ranges, made, most=3)
    # One group, all but its key frame made anew, and more bytes than the
    # whole source: the frames made anew are counted with the source's bytes
    # (once refused as an index naming more than the file holds).
    src = encode("coarse-one-group", "-c:v", "mpeg4", "-q:v", "31", "-g", "300", "-vtag", "FMP4")
    result = run_cut("coarse, one group", src, ["--keep", "0.04-", "--keep", "3-5"], "coarse-one-exact.avi")
    if result is None:
        return
    frames = len(video_chunks(Avi(src))[0])
    ranges = [exact_frames("0.04-", frames)]
    check("coarse, one group: exact", [(r["exact"], r["first_frame"], r["frames"]) for r in result["ranges"]],
          [(True, ranges[0][0], ranges[0][1] - ranges[0][0])])
    check("coarse, one group: more bytes than the source", os.path.getsize("coarse-one-exact.avi") > os.path.getsize(src), True)
    check_output("coarse, one group", src, "coarse-one-exact.avi", ranges, [ranges[0][1] - ranges[0][0]], pictures_of)


def check_long_head():
    """One range from inside a group of 200 frames: its 199 frames made anew
    (the two halves on the two cores, each from a key frame of its own; the
    first of the second half is checked), checked as every output is."""
    src = encode("long-group", "-c:v", "mpeg4", "-q:v", "2", "-g", "200", "-vtag", "XVID")
    frames = len(video_chunks(Avi(src))[0])
    result = run_cut("long head", src, ["--keep", "0.04-9"], "long-group-exact.avi")
    if result is None:
        return
    ranges = [exact_frames("0.04-9", frames)]
    check("long head: JSON re-encoded frames", [r["reencoded_frames"] for r in result["ranges"]], [199])
    check("long head: exact", [r["exact"] for r in result["ranges"]], [True])
    check_output("long head", src, "long-group-exact.avi", ranges, [199], pictures_of)
    check_pcm("long head", src, "long-group-exact.avi", ranges)


def check_drop_and_separate():
    src = "fmp4.avi"
    frames = len(video_chunks(Avi(src))[0])
    result = run_cut("drop", src, ["--drop", "1.3-5.1", "--drop", "7-8.02"], "dropped.avi")
    if result:
        # Dropped [A, B) removes frames ceil(A R) .. ceil(B R) - 1.
        ranges = [(0, 33), (128, 175), (201, frames)]
        check("drop: kept frames", [(r["first_frame"], r["first_frame"] + r["frames"]) for r in result["ranges"]], ranges)
        check("drop: dropped frames", result["dropped_frames"], frames - sum(e - f for f, e in ranges))
        check_output("drop", src, "dropped.avi", ranges, [0, 22, frames - 201], pictures_of)
        check_pcm("drop", src, "dropped.avi", ranges)
    # One frame before the key frame 50: one frame at one seam.
    result = run_cut("one frame", src, ["--keep", "1.96-3"], "one-frame.avi")
    if result:
        check("one frame: the text", says_reencoded(result["message"], 1, 1), True)
        check_output("one frame", src, "one-frame.avi", [(49, 75)], [1], pictures_of)
    result = run_cut("separate", src, ["--keep", "1.3-1.7", "--keep", "1.5-3", "--separate"], "part.avi")
    if result:
        check("separate: files", result["outputs"], ["part-1.avi", "part-2.avi"])
        check_output("separate 1", src, "part-1.avi", [(33, 43)], [10], pictures_of)
        check_output("separate 2", src, "part-2.avi", [(38, 75)], [12], pictures_of)


def check_split():
    """split --seconds T --overlap O --exact: the first file ends before
    frame ceil(T R), the second starts at ceil((T - O) R); --every T with
    --overlap: a piece every T seconds, each from O before the last's end."""
    src = "fmp4.avi"
    frames = len(video_chunks(Avi(src))[0])
    os.makedirs("split", exist_ok=True)
    code, out, err = tavrin("split", src, "--seconds", "4.1", "--overlap", "1", "--exact", "--json", "--output-dir", "split")
    check(f"split: exit status ({err.strip()})", code, 0)
    if code == 0:
        check("split: files", [o.replace("\\", "/") for o in json.loads(out)["outputs"]],
              ["split/fmp4-1.avi", "split/fmp4-2.avi"])
        check_output("split 1", src, "split/fmp4-1.avi", [(0, 103)], [0], pictures_of)
        check_output("split 2", src, "split/fmp4-2.avi", [(78, frames)], [22], pictures_of)
        check_pcm("split 2", src, "split/fmp4-2.avi", [(78, frames)])
        check("split: one seam, in the singular", says_reencoded(json.loads(out)["message"], 22, 1), True)
        # The 2nd file alone: as with both, under its own name; the 1st (already there) is left as it was.
        first = open("split/fmp4-1.avi", "rb").read()
        code, out, err = tavrin("split", src, "--seconds", "4.1", "--overlap", "1", "--exact", "--create", "second",
                                "--json", "--output-dir", "split")
        check(f"split --create second: exit status ({err.strip()})", code, 0)
        if code == 0:
            check("split --create second: files", [o.replace("\\", "/") for o in json.loads(out)["outputs"]],
                  ["split/fmp4-2.avi"])
            check_output("split --create second", src, "split/fmp4-2.avi", [(78, frames)], [22], pictures_of)
            check("split --create second: the 1st file untouched", open("split/fmp4-1.avi", "rb").read() == first, True)
    code, out, err = tavrin("split", src, "--every", "3.3", "--overlap", "0.5", "--exact", "--json", "--output-dir", "split")
    check(f"split --every: exit status ({err.strip()})", code, 0)
    if code == 0:
        pieces = [(0, 83), (70, 165), (153, 248), (235, frames)]
        result = json.loads(out)
        check("split --every: pieces", [(r["first_frame"], r["first_frame"] + r["frames"]) for r in result["ranges"]],
              pieces)
        for n, (f, e) in enumerate(pieces):
            made = 0 if f % 50 == 0 else min(e, (f // 50 + 1) * 50) - f
            check_output(f"split --every {n + 1}", src, f"split/fmp4-{n + 1}.avi", [(f, e)], [made], pictures_of)


def check_guess_not_confirmed():
    """Pad bytes that are not 0 make the chunks not lie as they are written:
    the exact cut planned on the analysis guessed from the index does not
    stand and is made again from the walk (its coders opened anew), the
    output that of the same file with zero pads."""
    src = encode("pads", "-c:v", "mpeg4", "-g", "50", "-vtag", "FMP4")
    data = bytearray(open(src, "rb").read())
    movi = Avi(src).movi
    odd = 0
    for _, pos, size in riff_chunks(data, movi + 4, movi + struct.unpack_from("<I", data, movi - 4)[0]):
        if size & 1:
            data[pos + 8 + size] = 0xEE
            odd += 1
    check("odd pads: some chunks have pad bytes", odd > 10, True)
    open("odd-pads.avi", "wb").write(bytes(data))
    keep = [a for k in ("1.3-3.1", "5.3-8.02") for a in ("--keep", k)]
    results = [run_cut(what, what + ".avi", keep, what + "-exact.avi") for what in ("pads", "odd-pads")]
    if None not in results:
        check("odd pads: frames made anew", [r["reencoded_frames"] for r in results[1]["ranges"]], [17, 17])
        check("odd pads: the output is the zero-padded file's",
              open("odd-pads-exact.avi", "rb").read() == open("pads-exact.avi", "rb").read(), True)


def check_refusals():
    for name, args in (("h264", ["-c:v", "libx264", "-g", "50", "-preset", "fast"]),):
        src = encode(name, *args)
        before = sorted(os.listdir("."))
        code, out, err = tavrin("cut", src, "--keep", "1.3-5", "--exact", "--json")
        check(f"{name}: exit status", code, 1)
        check(f"{name}: nothing written", sorted(os.listdir(".")), before)
        message = json.loads(out).get("message", "")
        check(f"{name}: the message says the key-frame cut works", "key-frame cut" in message, True)
        check(f"{name}: the reason", "exact cut of H.264 is not supported yet" in err, True)
        code, _, _ = tavrin("cut", src, "--keep", "1.3-5", "--output", name + "-keys.avi")
        check(f"{name}: the key-frame cut works", code, 0)


def bar_until(master, p, enough, timeout=60):
    """The bar's values the run shows on its terminal (master) until enough
    (a value) says stop or the run ends."""
    seen, text, end = [], "", time.monotonic() + timeout
    while p.poll() is None and time.monotonic() < end:
        if not select.select([master], [], [], 0.05)[0]:
            continue
        try:
            text += os.read(master, 4096).decode("utf-8", "replace")
        except OSError:  # the terminal's other end closed
            break
        seen = [int(v) for v in re.findall(r"\] *([0-9]+)%", text)]
        if seen and enough(seen[-1]):
            break
    return seen


def check_cancel_while_reencoding():
    """SIGINT while two long heads are made anew (one key frame in a minute
    of 480x360): the bar on the terminal has moved on from 10% (its start)
    within the re-encode's share (to 90% here, where the writing takes over)
    while the heads' side files are there and before the output's temporary
    file is; the run exits 1 and leaves the folder as it found it (no side
    file, no output)."""
    if WINDOWS:
        return  # no terminal to read the bar from, no SIGINT under Wine
    src = "one-group.avi"
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=480x360:rate=25", "-t", "60",
                    "-c:v", "mpeg4", "-q:v", "3", "-g", "5000", "-an", src], check=True)
    before = sorted(os.listdir("."))
    master, slave = pty.openpty()
    p = subprocess.Popen([CLI, "cut", src, "--keep", "0.04-30", "--keep", "30.04-59.5", "--exact", "--output", "cancelled.avi"],
                         stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=slave, start_new_session=True)
    os.close(slave)
    seen = bar_until(master, p, lambda v: v > 12)
    during = os.listdir(".")
    p.send_signal(signal.SIGINT)
    rest = bar_until(master, p, lambda v: False)
    try:
        code = p.wait(timeout=60)
    except subprocess.TimeoutExpired:
        p.kill()
        code = None
    os.close(master)
    p.stdout.close()
    check("cancel while re-encoding: the bar moved within the re-encode's share",
          bool(seen) and 12 < seen[-1] < 90 and seen == sorted(seen), True)
    # Still re-encoding: the heads' side files are there, the output's temporary file is not yet.
    check("cancel while re-encoding: the bar moved before the writing began",
          (any("-head.bin" in n for n in during), any(n.startswith(".cancelled.avi.") for n in during)), (True, False))
    check("cancel while re-encoding: the bar after SIGINT stays within it", all(v < 90 for v in rest), True)
    check("cancel while re-encoding: exit status", code, 1)
    check("cancel while re-encoding: nothing left", sorted(os.listdir(".")), before)
    os.remove(src)


def main():
    decoding_work("exact-work")
    check_keep()
    check_coarse_source()
    check_long_head()
    check_drop_and_separate()
    check_split()
    check_b_frames()
    check_packed()
    check_guess_not_confirmed()
    check_refusals()
    check_cancel_while_reencoding()
    finish()


if __name__ == "__main__":
    main()
