#!/usr/bin/env python3
"""tavrin repair on the command line: a recording cut short comes back as
FILE-r.avi (or --output) that ffprobe reads silently, with --json figures;
an intact file is "nothing to repair" with no file; a file that is no AVI
(a WAVE named .avi) is refused by repair and info alike with exit 1; info,
split and merge of the cut file say it is cut short and what a repair keeps;
usage errors exit 2."""
import json
import os
import shutil
import subprocess
import sys

from clitest import check, cut_short, empty_folder, failures, needed_sample, tavrin


def listing():
    return sorted(os.listdir("."))


def main():
    src = needed_sample("ffmpeg_mpeg4_pcm_g12.avi")
    empty_folder()
    shutil.copy(src, "clip.avi")
    cut, whole = cut_short(src, "cut.avi", 7, 10)

    code, out, err = tavrin("repair", "clip.avi", "--json")
    doc = json.loads(out)
    check("intact exit", code, 0)
    check("intact message", (doc["message"], doc["nothing_to_repair"], doc["outputs"]), ("nothing to repair", True, []))
    check("intact: no file", listing(), ["clip.avi", "cut.avi"])
    code, out, _ = tavrin("repair", "clip.avi", "--lang", "ja")
    check("intact, Japanese", (code, out), (0, "修復の必要はありません\n"))

    # What info, split and merge say of the cut file.
    code, out, _ = tavrin("info", "cut.avi")
    check("info of a cut file", f"cut short: it ends at byte {len(cut)} of the {whole}" in out, True)
    check("info says what a repair keeps", "`tavrin repair` (or Repair in the window) can rebuild it" in out, True)
    code, out, err = tavrin("split", "cut.avi", "--seconds", "5", "--json")
    doc = json.loads(out)
    check("split of a cut file: the number stays", (code, doc["result"]), (1, 1))
    check("split says why", doc["message"].startswith("Avi File???\n\nThe file is cut short"), True)
    code, out, _ = tavrin("merge", "cut.avi", "clip.avi", "--lang", "ja", "--json")
    doc = json.loads(out)
    check("merge says why, in Japanese", "ファイルが途中で切れています" in doc["message"], True)

    code, out, err = tavrin("repair", "cut.avi", "--json")
    doc = json.loads(out)
    check("repair exit", code, 0)
    check("repair outputs", (doc["result"], doc["outputs"], doc["nothing_to_repair"]), (0, ["cut-r.avi"], False))
    check("repair bytes", doc["bytes"], os.path.getsize("cut-r.avi"))
    check("repair figures", doc["frames"] > 400 and 17 < doc["seconds"] < 22, True)
    check("the input is untouched", open("cut.avi", "rb").read() == cut, True)
    p = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "packet=stream_index", "-of", "csv=p=0",
                        "cut-r.avi"], capture_output=True)
    check("ffprobe silent", p.stderr, b"")
    code, out, _ = tavrin("split", "cut-r.avi", "--seconds", "9")
    check("the repaired file splits", code, 0)

    code, out, err = tavrin("repair", "cut.avi", "--output", "fixed/x.avi")
    check("an output in a missing folder", code, 1)
    os.mkdir("fixed")
    code, out, _ = tavrin("repair", "cut.avi", "--output=fixed/x.avi", "--lang", "ja")
    check("--output", (code, os.path.exists("fixed/x.avi"), out.startswith("修復完了")), (0, True, True))
    code, out, err = tavrin("repair", "cut.avi", "--output", "cut.avi")
    check("the input as output", (code, "names the input" in err), (1, True))
    check("the input as output left it alone", open("cut.avi", "rb").read() == cut, True)

    # A RIFF that is no AVI.
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "sine", "-t", "1",
                    "-f", "wav", "tone.avi"], check=True)
    before = listing()
    code, out, err = tavrin("repair", "tone.avi", "--json")
    check("WAVE repair", (code, json.loads(out)["message"]), (1, "not an AVI file"))
    code, out, err = tavrin("info", "tone.avi")
    check("WAVE info", (code, "is not an AVI file" in err), (1, True))
    check("WAVE: nothing written", listing(), before)

    check("usage: no file", tavrin("repair")[0], 2)
    check("usage: unknown option", tavrin("repair", "cut.avi", "--bogus")[0], 2)
    check("usage: bad language", tavrin("repair", "cut.avi", "--lang", "fr")[0], 2)

    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures")
    sys.exit(1 if failures else 0)


main()
