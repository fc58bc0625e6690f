#!/usr/bin/env python3
"""tavrin merge --write and tavrin split --size-mb on the command line: the
joined file (where, what JSON lists, refusing an input's name also through
links), split-then-merge giving the original file back byte for byte, size
splits and their refusals, quiet stderr off a terminal, and Ctrl-C during
the write leaving nothing behind."""
import json
import os
import shutil
import signal
import subprocess
import sys

from avi_file import write_sparse_avi
from clitest import CLI, check, failures, needed_sample, tavrin
from read_gate import ReadGate


run = tavrin


def read(path):
    with open(path, "rb") as f:
        return f.read()


def fresh(*names):
    for n in names:
        if os.path.lexists(n):
            os.remove(n)


def sample():
    # PCM audio in whole chunks: split and merge give the very same file back.
    src = needed_sample("ffmpeg_mpeg4_pcm_g12.avi")
    shutil.copy(src, "clip.avi")
    return read("clip.avi")


def write_joined(original):
    fresh("clip-1.avi", "clip-2.avi", "clip-m.avi")
    code, _, _ = run("split", "clip.avi", "--seconds", "13", "--overlap", "7.5")
    check("split exit", code, 0)
    code, out, err = run("merge", "clip-1.avi", "clip-2.avi", "--write", "--json")
    check("write exit", code, 0)
    doc = json.loads(out)
    check("write json", {k: doc[k] for k in ("result", "message", "outputs")},
          {"result": 0, "message": "Completed", "outputs": ["clip-m.avi"]})
    check("write json size", doc["joined"]["bytes"], len(original))
    check("quiet stderr off a terminal", err, "")
    check("joined file is the original", read("clip-m.avi") == original, True)
    code, out, _ = run("merge", "clip-1.avi", "clip-2.avi", "--write", "--lang", "ja")
    check("write ja", (code, out.split("\n")[0]), (0, "操作完了"))

    fresh("clip-m.avi")
    os.makedirs("out", exist_ok=True)
    code, out, _ = run("merge", "clip-1.avi", "clip-2.avi", "--write", "--output", "out/joined.avi", "--json")
    check("output exit", (code, err), (0, ""))
    check("output json", json.loads(out or "{}").get("outputs"), ["out/joined.avi"])
    check("output file", read("out/joined.avi") == original, True)
    check("no default name", os.path.exists("clip-m.avi"), False)
    check("no temporary files left", sorted(os.listdir("out")), ["joined.avi"])

    code, _, err = run("merge", "clip-1.avi", "clip-2.avi", "--output", "x.avi")
    check("output needs write", code, 2)


def refuses_inputs():
    first, second = read("clip-1.avi"), read("clip-2.avi")
    fresh("link.avi", "hard.avi")
    os.symlink("clip-2.avi", "link.avi")
    os.link("clip-1.avi", "hard.avi")
    text = "Can't Create File (the joined file would replace an input file)"
    for target in ("clip-1.avi", "clip-2.avi", "link.avi", "hard.avi", "./clip-2.avi"):
        code, out, _ = run("merge", "clip-1.avi", "clip-2.avi", "--write", "--output", target, "--json")
        doc = json.loads(out)
        check(f"refuse {target} exit", code, 1)
        check(f"refuse {target} result", doc["result"], 1)
        check(f"refuse {target} outputs", doc["outputs"], [])
        check(f"refuse {target} reason first", doc["message"].split("\n")[0], text)
    code, out, _ = run("merge", "clip-1.avi", "clip-2.avi", "--write", "--output", "link.avi", "--lang", "ja")
    check("refuse ja", out.split("\n")[0], "ファイルが作成できません（結合ファイルが結合元ファイルと同じです）")
    check("inputs unchanged", (read("clip-1.avi"), read("clip-2.avi")), (first, second))
    check("link kept", os.path.islink("link.avi"), True)
    fresh("link.avi", "hard.avi")


def size_split(original):
    fresh("clip-1.avi", "clip-2.avi", "clip-m.avi")
    code, out, err = run("split", "clip.avi", "--size-mb", "2", "--overlap", "3", "--json")
    check("size exit", code, 0)
    doc = json.loads(out)
    check("size json", (doc["message"], doc["outputs"]), ("Completed", ["clip-1.avi", "clip-2.avi"]))
    check("first fits", os.path.getsize("clip-1.avi") <= 2 * 1048576, True)
    check("first is not much smaller", os.path.getsize("clip-1.avi") > 1.8 * 1048576, True)
    code, out, _ = run("merge", "clip-1.avi", "clip-2.avi", "--write")
    check("size round trip", (code, read("clip-m.avi") == original), (0, True))

    fresh("clip-1.avi", "clip-2.avi")
    size_mb = str(len(original) / 1048576)
    for args, en, ja in (([size_mb], "File already fits in [File size]", "ファイルは既に「サイズ指定」値以内です"),
                         (["0.01"], "[File size] is too small", "「サイズ指定」値が小さすぎます"),
                         (["x"], "[File size] bad value", "「サイズ指定」入力値に誤りがあります"),
                         ([""], "[File size] bad value", "「サイズ指定」入力値に誤りがあります")):
        for lang, text, error in (("en", en, "Error"), ("ja", ja, "エラー")):
            code, out, _ = run("split", "clip.avi", "--size-mb", *args, "--lang", lang)
            check(f"size {args} {lang}", (code, out), (1, f"{text}\n{error}\n"))
            check(f"size {args} nothing written", os.path.exists("clip-1.avi") or os.path.exists("clip-2.avi"),
                  False)
    code, _, _ = run("split", "clip.avi", "--size-mb", "2", "--seconds", "3")
    check("size with time", code, 2)


def ctrl_c():
    # A pair big enough that the write takes a while: the sample's parts
    # repeated would not be a pair, so split a large file of 1 MB frames,
    # each differing in its first bytes, so that only the split's overlap repeats.
    write_sparse_avi("big.avi", frames=300, frame_bytes=1 << 20, numbered=True)
    code, _, _ = run("split", "big.avi", "--seconds", "8", "--overlap", "1")
    check("big split", code, 0)
    os.remove("big.avi")
    known = set(os.listdir("."))
    try:
        gate = ReadGate("big-1.avi", "big-2.avi")
    except OSError as e:
        print(f"SKIP: Ctrl-C in the middle of a merge --write: {e}")
        fresh("big-1.avi", "big-2.avi")
        return
    p = subprocess.Popen([CLI, "merge", "big-1.avi", "big-2.avi", "--write", "--json"],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    # Hold the run at its first read of an input once its temporary file
    # exists, deliver Ctrl-C there, then let it go on.
    if gate.hold(p, lambda: bool(set(os.listdir(".")) - known)):
        os.kill(p.pid, signal.SIGINT)
    else:
        failures.append("the merge did not read its inputs once its temporary file was made")
    gate.release()
    out, err = p.communicate(timeout=120)
    check("cancel exit", p.returncode, 1)
    check("cancel json", json.loads(out), {"result": -1, "message": None, "outputs": [], "warnings": []})
    check("cancel leaves nothing", sorted(set(os.listdir(".")) - known), [])
    check("cancel stderr", "cancelled" in err.decode(), True)
    fresh("big-1.avi", "big-2.avi")


def main():
    original = sample()
    write_joined(original)
    refuses_inputs()
    size_split(original)
    ctrl_c()
    for f in failures:
        print("FAIL:", f)
    print("ok" if not failures else f"{len(failures)} failure(s)")
    sys.exit(1 if failures else 0)


main()
