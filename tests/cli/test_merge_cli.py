#!/usr/bin/env python3
"""tavrin merge on the command line: usage errors, the job's text on stdout
in both languages, --json, exit status, directories and long field texts,
and a split's two outputs merged back."""
import json
import os
import shutil
import subprocess
import sys

from clitest import CLI, SAMPLES, check, failures, needed_sample, tavrin


def run(*args):
    return tavrin("merge", *args)


def split_pair():
    src = needed_sample("ffmpeg_mpeg4_mp3_g25_150s.avi")
    shutil.copy(src, "clip.avi")
    p = subprocess.run([CLI, "split", "clip.avi", "--seconds", "100", "--overlap", "60", "--json"],
                       capture_output=True)
    check("split exit", p.returncode, 0)
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
    info = json.loads(subprocess.run([CLI, "info", path, "--json"], capture_output=True).stdout)
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
    check("json keys", sorted(doc), ["joined", "message", "outputs", "overlap", "result"])
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


def main():
    usage_errors()
    first, second = split_pair()
    merged(first, second)
    failures_and_messages(first, second)
    long_fields(second)
    details(first, second)
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    print("ok")


main()
