#!/usr/bin/env python3
"""tavrin split --every and --size-mb N --all on the command line: every
piece listed (plain and JSON), pieces that fit, refusals that write nothing,
options that do not go together, and the two-way split unchanged beside them."""
import json
import os
import shutil
import sys

from clitest import check, failures, needed_sample, tavrin


def read(path):
    with open(path, "rb") as f:
        return f.read()


def pieces():
    return sorted(n for n in os.listdir(".") if n.startswith("clip-"))


def clear():
    for n in pieces():
        os.remove(n)


def every():
    code, out, err = tavrin("split", "clip.avi", "--every", "7", "--overlap", "1", "--json")
    check("every exit", (code, err), (0, ""))
    doc = json.loads(out)
    names = [f"clip-{i}.avi" for i in range(1, len(doc["outputs"]) + 1)]
    check("every json", (doc["result"], doc["message"].split("\n")[0], doc["outputs"]), (0, "Completed", names))
    check("every count", len(names) >= 4, True)
    check("every files", pieces(), sorted(names))
    check("every sizes", [f["bytes"] for f in doc["files"]], [os.path.getsize(n) for n in names])
    starts = [f["first_frame"] for f in doc["files"]]
    check("every starts grow", starts == sorted(set(starts)) and starts[0] == 0, True)
    check("every seconds", doc["files"][0]["start_seconds"], 0.0)

    clear()
    code, out, _ = tavrin("split", "clip.avi", "--every", "7")
    lines = out.splitlines()
    check("plain exit", code, 0)
    check("plain first line", lines[0], "Completed")
    check("plain lists each piece", [l.split(":")[0] for l in lines[1:]], pieces())
    clear()


def by_size(size):
    limit = size / 4.5 / 1048576
    code, out, _ = tavrin("split", "clip.avi", "--size-mb", f"{limit:.6f}", "--all", "--json")
    check("size exit", code, 0)
    doc = json.loads(out)
    check("size count", len(doc["outputs"]) >= 5, True)
    check("size fits", all(f["bytes"] <= limit * 1048576 for f in doc["files"]), True)
    clear()
    # Too small for a key-frame group: refused, nothing written, where named.
    for lang, text in (("en", "[File size] is too small\n\nFrames 0 to "), ("ja", "「サイズ指定」値が小さすぎます\n\nフレーム 0～")):
        code, out, err = tavrin("split", "clip.avi", "--size-mb", "0.001", "--all", "--lang", lang)
        check(f"too small {lang}", (code, out.startswith(text), pieces()), (1, True, []))
        check(f"too small detail {lang}", "frames 0 to" in err, True)


def refusals():
    for args, number in ((["--every", "x"], -7), (["--every", "0"], -8), (["--every", "7", "--overlap", "61"], -2),
                         (["--every", "7", "--overlap", "7.5"], 23), (["--every", "7", "--overlap", "7"], 24)):
        code, out, _ = tavrin("split", "clip.avi", *args, "--json")
        doc = json.loads(out)
        check(f"refuse {args}", (code, doc["result"], doc["outputs"], pieces()), (1, number, [], []))
    for args in (["--every", "7", "--size-mb", "1"], ["--all"], ["--every", "7", "--seconds", "3"],
                 ["--size-mb", "1", "--all", "--create", "first"]):
        code, _, err = tavrin("split", "clip.avi", *args)
        check(f"usage {args}", (code, err.startswith("tavrin split:")), (2, True))


def help_names_pieces():
    code, out, _ = tavrin("split", "--help")
    check("help", (code, "--every T" in out, "--size-mb N --all" in out), (0, True, True))


def two_way_unchanged():
    code, out, _ = tavrin("split", "clip.avi", "--seconds", "7", "--json")
    doc = json.loads(out)
    check("two-way outputs", (code, doc["outputs"]), (0, ["clip-1.avi", "clip-2.avi"]))
    clear()


def main():
    src = needed_sample("ffmpeg_mpeg4_pcm_g12.avi")
    shutil.copy(src, "clip.avi")
    clear()
    every()
    by_size(len(read("clip.avi")))
    refusals()
    two_way_unchanged()
    help_names_pieces()
    for f in failures:
        print("FAIL:", f)
    print("ok" if not failures else f"{len(failures)} failure(s)")
    sys.exit(1 if failures else 0)


main()
