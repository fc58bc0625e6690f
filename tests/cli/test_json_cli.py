#!/usr/bin/env python3
"""Every command's --json is written by one writer: one object on one line,
members and items separated by ", ", keys followed by ": ", no other space
outside strings, whatever the command (info, split in two and into pieces,
merge of two and of three, join, repair, with --clone and with a failure);
and the commands after split and merge report one result number per
meaning: an input that is not there 1, one that is no AVI file 2."""
import json
import re
import shutil
import sys

from clitest import check, cut_short, empty_folder, failures, needed_sample, tavrin

STRING = re.compile(r'"(?:[^"\\]|\\.)*"')


def spacing_faults(line):
    """What breaks the one spacing in a JSON line (empty: none)."""
    bare = STRING.sub('""', line)
    faults = []
    if re.search(r",(?! \S)", bare):
        faults.append("a comma not followed by exactly one space")
    if re.search(r":(?! \S)", bare):
        faults.append("a colon not followed by exactly one space")
    if re.search(r"\s[,:\]}]|[\[{]\s", bare):
        faults.append("a space before a separator or inside a bracket")
    if re.search(r"\s", re.sub(r"[,:] ", "", bare)):
        faults.append("a space elsewhere")
    return faults


def run_json(name, *args):
    code, out, err = tavrin(*args, "--json")
    lines = out.split("\n")
    check(f"{name}: one line", (len(lines), lines[-1]), (2, ""))
    try:
        doc = json.loads(lines[0])
    except ValueError as error:
        failures.append(f"{name}: no JSON ({error}): {out!r}")
        return code, None
    check(f"{name}: an object", type(doc), dict)
    check(f"{name}: spacing", spacing_faults(lines[0]), [])
    return code, doc


def main():
    src = needed_sample("ffmpeg_mpeg4_pcm_g12.avi")
    empty_folder()
    shutil.copy(src, "clip.avi")
    cut_short(src, "cut.avi", 7, 10)

    _, info = run_json("info", "info", "clip.avi")
    check("info: the streams as a list of objects", type(info and info["streams"][0]), dict)
    run_json("info of a cut file", "info", "cut.avi")
    code, split = run_json("split", "split", "clip.avi", "--seconds", "10", "--overlap", "2", "--clone")
    check("split: the two parts", (code, split and split["outputs"]), (0, ["clip-1.avi", "clip-2.avi"]))
    run_json("split by size", "split", "clip.avi", "--size-mb", "1")
    code, pieces = run_json("pieces", "split", "clip.avi", "--every", "8", "--clone", "--lang", "ja")
    check("pieces: four of them", (code, pieces and len(pieces["files"])), (0, 4))
    run_json("merge", "merge", "clip-1.avi", "clip-2.avi")
    run_json("merge --write", "merge", "clip-1.avi", "clip-2.avi", "--write", "--output", "m.avi", "--clone")
    code, three = run_json("merge of three", "merge", "clip-1.avi", "clip-2.avi", "clip-3.avi")
    check("merge of three: its seams", (code, three and len(three["seams"])), (0, 2))
    code, refused = run_json("merge of a file and a cut one", "merge", "clip.avi", "cut.avi")
    check("merge of a cut file: refused", (code, refused and refused["result"] != 0), (1, True))
    code, joined = run_json("join", "join", "clip-1.avi", "clip-2.avi", "clip-3.avi", "clip-4.avi")
    check("join: joined", (code, joined and joined["joined"]["name"]), (0, "clip-1-j.avi"))
    run_json("merge of the pieces", "merge", "clip-1.avi", "clip-2.avi", "clip-3.avi", "clip-4.avi")
    run_json("repair", "repair", "cut.avi", "--clone")
    run_json("repair of an intact file", "repair", "clip.avi")
    run_json("a file that is not there", "split", "none.avi", "--seconds", "3")

    with open("text.avi", "w") as f:
        f.write("no RIFF here\n" * 40)
    later = [("join", "{0}", "clip.avi"), ("merge", "clip-1.avi", "clip-2.avi", "{0}"), ("repair", "{0}"),
             ("cut", "{0}", "--keep", "1-2"), ("extract", "{0}", "--stream", "0"), ("streams", "{0}", "--keep", "0"),
             ("dub", "{0}", "clip.avi", "--add"), ("shift", "{0}", "--stream", "1", "--offset", "1")]
    for input, number in (("none.avi", 1), ("text.avi", 2)):
        for args in later:
            words = [a.format(input) for a in args]
            code, doc = run_json(" ".join(words), *words)
            check(f"{' '.join(words)}: exit and result", (code, doc and doc["result"]), (1, number))

    check("the rule catches a compact line", spacing_faults('{"a":1,"b":[1,2]}') != [], True)
    check("the rule passes a spaced line", spacing_faults('{"a": 1, "b": [1, 2], "c": "x,y:z"}'), [])
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    print("every command writes JSON in one spacing")


main()
