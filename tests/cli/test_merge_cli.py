#!/usr/bin/env python3
"""tavrin merge on the command line: usage errors, the job's text on stdout
in both languages, --json, exit status, directories and long field texts,
a split's two outputs merged back, and the warning when the two inputs'
sound differs in the overlap the pictures left."""
import json
import os
import shutil
import subprocess
import sys

from clitest import SAMPLES, check, failures, needed_sample, sample, tavrin


def run(*args):
    return tavrin("merge", *args)


def split_pair():
    src = needed_sample("ffmpeg_mpeg4_mp3_g25_150s.avi")
    shutil.copy(src, "clip.avi")
    check("split exit", tavrin("split", "clip.avi", "--seconds", "100", "--overlap", "60", "--json")[0], 0)
    return "clip-1.avi", "clip-2.avi"


def usage_errors():
    # (Three or more files are the pieces of one recording: tests/cli/test_join_cli.py.)
    for args in ([], ["a.avi"], ["a.avi", "b.avi", "c.avi", "--output", "x.avi"], ["a.avi", "b.avi", "--bogus"],
                 ["a.avi", "b.avi", "--lang"], ["a.avi", "b.avi", "--lang", "fr"],
                 ["a.avi", "b.avi", "--lang=de"], ["a.avi", "b.avi", "--json=1"]):
        code, out, _ = run(*args)
        check(f"usage {args} exit", code, 2)
        check(f"usage {args} stdout", out, "")


def frames(path):
    info = json.loads(tavrin("info", path, "--json")[1])
    return info["streams"][info["firstVideoStream"]]["idx1EntryCount"]


def merged(first, second):
    # 150 s at 25 fps split at 100 s with a 60 s overlap: the merge shows the
    # whole playing time and the overlap the split left (frames of both parts
    # less the frames of the file).
    overlap = (frames(first) + frames(second) - frames("clip.avi")) * 0.04
    check("overlap at least 60 s", overlap >= 60, True)
    code, out, _ = run(first, second)
    check("merge exit", code, 0)
    lines = out.split("\n")
    check("merge first line", lines[:2], ["Merge O.K.", ""])
    check("merge text", lines[3:], ["Time 2min30.0sec", f"(Overlap {overlap:.1f}sec)", ""])

    code, out, _ = run(first, second, "--lang", "ja")
    check("ja exit", code, 0)
    check("ja text", out.split("\n")[3:], ["結合後時間 2分30.0秒", f"（ｵｰﾊﾞｰﾗｯﾌﾟ {overlap:.1f}秒）", ""])

    code, out, _ = run("--json", first, second, "--lang=en")
    check("json exit", code, 0)
    doc = json.loads(out)
    check("json keys", sorted(doc), ["joined", "message", "outputs", "overlap", "result", "warnings"])
    check("json warnings", doc["warnings"], [])
    check("json result", doc["result"], 0)
    check("json outputs", doc["outputs"], [])
    check("json message", doc["message"].split("\n")[-1], f"(Overlap {overlap:.1f}sec)")
    # Nothing is written.
    check("no joined file", os.path.exists("clip-m.avi"), False)


def failures_and_messages(first, second):
    cases = [
        (["missing.avi", second], -6, "AVI File 1st not open", "「結合元ファイル１」が開けません"),
        ([".", second], -6, "AVI File 1st not open", "「結合元ファイル１」が開けません"),
        ([first, "missing.avi"], -1, "AVI File 2nd not open", "「結合元ファイル２」が開けません"),
        ([first, "."], -1, "AVI File 2nd not open", "「結合元ファイル２」が開けません"),
        ([first, "notavi.avi"], -5, "Avi File?", "ファイル２の解析に失敗しました"),
        (["notavi.avi", second], -10, "Avi File?", "ファイル１の解析に失敗しました"),
        ([first, os.path.join(SAMPLES, "ffmpeg_mpeg4_pcm_g12.avi")], None,
         "Can't Merge (Structure is different)", "構造が異なるので結合できません"),
    ]
    with open("notavi.avi", "wb") as f:
        f.write(b"not a RIFF file")
    for args, result, english, japanese in cases:
        for lang, text in (("en", english), ("ja", japanese)):
            code, out, _ = run(*args, "--lang", lang)
            check(f"{args} {lang} exit", code, 1)
            check(f"{args} {lang} stdout", out, text + "\n")
            code, out, _ = run(*args, "--lang", lang, "--json")
            doc = json.loads(out)
            if result is not None:
                check(f"{args} {lang} json result", doc["result"], result)
            check(f"{args} {lang} json message", doc["message"], text)


def long_fields(second):
    # Paths are used whole: a 259-byte one works, a longer one is refused with
    # a message rather than cut to a file the user never named.
    os.makedirs("d" * 200, exist_ok=True)
    name = os.path.join("d" * 200, "n" * (259 - 201 - 6) + "-1.avi")
    shutil.copy("clip-1.avi", name)
    code, out, _ = run(name, second)
    check("259-byte path", code, 0)
    code, out, err = run(name + "trailing-bytes-beyond-the-field", second)
    check("long first", (code, out), (2, ""))
    check("long first says why", "290 bytes" in err, True)
    code, out, err = run(second, "x" * 300 + ".avi")
    check("long second", (code, out), (2, ""))


def details(first, second):
    # Failures name the file and the system's reason on stderr and in --json;
    # stdout and "message" keep the window's text.
    code, out, err = run("gone.avi", second, "--json")
    doc = json.loads(out)
    check("gone", (code, doc["result"], doc["message"]), (1, -6, "AVI File 1st not open"))
    check("gone detail", doc["detail"], "gone.avi: No such file or directory")
    check("gone stderr", err, "tavrin merge: gone.avi: No such file or directory\n")
    # A structure difference says which field of which stream, with both values.
    with open(first, "rb") as f:
        data = bytearray(f.read())
    at = data.index(b"strh") + 8 + 20  # dwScale of stream 0
    data[at] ^= 1
    with open("scaled.avi", "wb") as f:
        f.write(data)
    code, out, err = run("scaled.avi", second, "--json")
    doc = json.loads(out)
    check("differs", (code, doc["result"], doc["message"]), (1, 11, "Can't Merge (Structure is different)"))
    check("differs field", (doc["difference"]["field"], doc["difference"]["stream"]), ("strh dwScale", 0))
    check("differs values", doc["difference"]["first"] ^ doc["difference"]["second"], 1)
    check("differs stderr", err.startswith("tavrin merge: strh dwScale of stream 0 at "), True)


SOUND_DIFFERS = {
    "en": "Warning: the sound of stream 1 differs between the two files in the overlap; "
          "the joined file has the 2nd file's sound there.",
    "ja": "警告：オーバーラップ部分のストリーム1の音声が２つのファイルで異なります。"
          "結合後のファイルのその部分は「結合元ファイル２」の音声です。",
}


SEAM_DIFFERS = ("Warning: at seam {} the sound of stream 1 differs between the two files in the overlap; "
                "the joined file has the later file's sound there.")


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-y", *args], check=True)


def probe_errors(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_entries", "stream=nb_read_frames",
                        "-of", "csv=p=0", path], capture_output=True, text=True)
    return p.returncode, p.stderr


def split_in(folder, src, name):
    """src split at 10 s with a 4 s overlap in folder as name.avi: the two parts."""
    os.makedirs(folder, exist_ok=True)
    shutil.copy(src, os.path.join(folder, name + ".avi"))
    code, _, _ = tavrin("split", os.path.join(folder, name + ".avi"), "--seconds", "10", "--overlap", "4")
    check(f"split {name} exit", code, 0)
    return [os.path.join(folder, f"{name}-{i}.avi") for i in (1, 2)]


def merged_warnings(what, first, second, *more):
    code, out, _ = run(first, second, "--json", *more)
    doc = json.loads(out) if out else {}
    check(f"{what}: exit and result", (code, doc.get("result")), (0, 0))
    return doc.get("warnings")


def sound_in_overlap():
    # A split's parts merged back: their sound is the same in the overlap
    # (PCM, constant-size MP3, ffmpeg's MP3 and AC-3 in chunks of varying
    # size, two sound streams, no sound at all).
    for name in ("ffmpeg_mpeg4_pcm_g12.avi", "mencoder_mpeg4_pcm_g25.avi", "gst_mpeg4_mp3_g12.avi",
                 "ffmpeg_xvid_mp3_g12.avi", "ffmpeg_mpeg4_ac3_g12.avi", "ffmpeg_mpeg4_pcm+mp3_g25.avi",
                 "ffmpeg_mpeg4_none_g25.avi"):
        src = sample(name)
        if src is None:
            continue
        first, second = split_in("same", src, name[:-4])
        check(f"{name}: no warning", merged_warnings(name, first, second, "--write"), [])
    # One picture with two sounds (sine 440 and 880 Hz): the first part of
    # one and the second of the other merge as before, with a warning.
    ffmpeg("-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-t", "20", "-c:v", "mpeg4", "-g", "25",
           "picture.avi")
    for codec in ("pcm_s16le", "libmp3lame"):
        parts = {}
        for tone in (440, 880):
            ffmpeg("-i", "picture.avi", "-f", "lavfi", "-i", f"sine=frequency={tone}:sample_rate=44100", "-t", "20",
                   "-c:v", "copy", "-c:a", codec, f"tone{tone}.avi")
            parts[tone] = split_in(codec, f"tone{tone}.avi", f"tone{tone}")
        shutil.copy(parts[440][0], os.path.join(codec, "mixed-1.avi"))
        shutil.copy(parts[880][1], os.path.join(codec, "mixed-2.avi"))
        first, second = os.path.join(codec, "mixed-1.avi"), os.path.join(codec, "mixed-2.avi")
        check(f"{codec}: one sound, no warning", merged_warnings(codec, *parts[880]), [])
        check(f"{codec}: the summary warns", merged_warnings(codec, first, second), [SOUND_DIFFERS["en"]])
        code, out, _ = run(first, second, "--write", "--json")
        doc = json.loads(out)
        check(f"{codec}: written, message as ever", (code, doc["message"], doc["outputs"]),
              (0, "Completed", [os.path.join(codec, "mixed-m.avi")]))
        check(f"{codec}: written with a warning", doc["warnings"], [SOUND_DIFFERS["en"]])
        check(f"{codec}: ffprobe reads the joined file", probe_errors(os.path.join(codec, "mixed-m.avi")), (0, ""))
        # Pieces of one recording, the third from the other sound: its two
        # seams warn, each named; the same pieces all of one sound do not.
        for tone in (440, 880):
            code, _, _ = tavrin("split", os.path.join(codec, f"tone{tone}.avi"), "--every", "6", "--overlap", "2")
            check(f"{codec}: pieces of {tone}", code, 0)
        pieces = [os.path.join(codec, f"tone{880 if i == 3 else 440}-{i}.avi") for i in range(1, 5)]
        code, out, _ = run(*pieces, "--json")
        doc = json.loads(out)
        check(f"{codec}: pieces merged", (code, doc["result"], len(doc["seams"])), (0, 0, 3))
        check(f"{codec}: seams 2 and 3 warn", doc["warnings"], [SEAM_DIFFERS.format(2), SEAM_DIFFERS.format(3)])
        same = [p.replace("tone880", "tone440") for p in pieces]
        check(f"{codec}: pieces of one sound", merged_warnings(f"{codec} pieces", *same), [])
        # The text output: the result, the joined file's line, then the warning.
        for language in ("en", "ja"):
            code, out, _ = run(first, second, "--write", "--lang", language)
            lines = out.splitlines()
            check(f"{codec} {language}: the warning last", (code, len(lines), lines[-1:]),
                  (0, 3, [SOUND_DIFFERS[language]]))


def main():
    usage_errors()
    first, second = split_pair()
    merged(first, second)
    failures_and_messages(first, second)
    long_fields(second)
    details(first, second)
    sound_in_overlap()
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    print("ok")


main()
