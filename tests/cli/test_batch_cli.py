#!/usr/bin/env python3
"""tavrin batch: a job file over the samples writes, byte for byte, what each
line's command writes alone and says the same (stdout, stderr, JSON fields);
a failing line in the middle leaves the later ones run and exits 1; a line
that is no command (line 3) stops everything before any job runs; names with
spaces and non-ASCII characters, relative to the job file's folder, a BOM
and CRLF line ends; Ctrl-C in the second job cancels it as alone, keeps the
first job's outputs and runs no more."""
import json
import os
import shutil
import signal
import subprocess
import sys

from avi_file import write_sparse_avi
from clitest import CLI, WINDOWS, check, cut_short, empty_folder, failures, needed_sample, tavrin, tavrin_in
from read_gate import ReadGate

# Every command that writes or reports, as lines of a job file (and as the
# same commands run alone).
JOBS = [
    ["info", "clip.avi"],
    ["split", "clip.avi", "--seconds", "3"],
    ["split", "mjpeg.avi", "--every", "4", "--overlap", "1"],
    ["cut", "clip.avi", "--keep", "1-3", "--keep", "5-6.5", "--output", "kept.avi"],
    ["extract", "clip.avi", "--stream", "1"],
    ["streams", "clip.avi", "--drop", "1"],
    ["repair", "short.avi"],
    ["join", "mjpeg.avi", "mjpeg.avi", "--output", "twice.avi"],
    ["merge", "clip-1.avi", "clip-2.avi", "--write", "--lang", "ja"],
    ["keyframes", "mjpeg.avi"],
    ["repair", "missing.avi"],  # fails, alone and in the batch alike
]


def quoted(word):
    return f'"{word}"' if " " in word or not word else word


def job_text(lines, bom=False, newline="\n"):
    text = newline.join(" ".join(quoted(w) for w in line) if isinstance(line, list) else line for line in lines)
    return ("\ufeff" if bom else "") + text + newline


def write_jobs(path, lines, **how):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(job_text(lines, **how))


def folder_files(folder):
    """Every file of folder (not the job file): name -> bytes."""
    found = {}
    for name in sorted(os.listdir(folder)):
        if name != "jobs.txt":
            with open(os.path.join(folder, name), "rb") as f:
                found[name] = f.read()
    return found


def make_inputs(folder, clip, mjpeg):
    os.mkdir(folder)
    shutil.copy(clip, os.path.join(folder, "clip.avi"))
    shutil.copy(mjpeg, os.path.join(folder, "mjpeg.avi"))
    cut_short(clip, os.path.join(folder, "short.avi"), 2, 3)


def same_as_alone(clip, mjpeg, json_lines):
    """Each job of the batch against its command run alone in a folder of
    the same inputs: the same files, stdout and stderr."""
    flag = ["--json"] if json_lines else []
    make_inputs("alone", clip, mjpeg)
    alone = [tavrin_in("alone", line + flag) for line in JOBS]
    make_inputs("batch", clip, mjpeg)
    write_jobs("batch/jobs.txt", JOBS)
    code, out, err = tavrin("batch", "batch/jobs.txt", *flag)
    what = "--json" if json_lines else "text"
    check(f"{what}: exit 1 (the missing file's line)", code, 1)
    check(f"{what}: every output as alone", folder_files("batch") == folder_files("alone"), True)
    check(f"{what}: the outputs", sorted(folder_files("batch")),
          ["clip-1.avi", "clip-2.avi", "clip-m.avi", "clip-s.avi", "clip.1.wav", "clip.avi", "kept.avi",
           "mjpeg-1.avi", "mjpeg-2.avi", "mjpeg-3.avi", "mjpeg-4.avi", "mjpeg-5.avi", "mjpeg.avi",
           "short-r.avi", "short.avi", "twice.avi"])
    check(f"{what}: stderr as the commands' alone", err, "".join(e for _, _, e in alone))
    lines = out.splitlines(keepends=True)
    last = len(JOBS) + 1  # the missing file's line: the job file has no blank lines
    if json_lines:
        docs = [json.loads(line) for line in lines]
        for k, (job, doc, (c, o, _)) in enumerate(zip(JOBS, docs, alone)):
            mine = {key: value for key, value in doc.items() if key not in ("line", "command", "exit")}
            check(f"json line {k + 1}: its own fields", mine, json.loads(o))
            check(f"json line {k + 1}: line, command, exit", (doc["line"], doc["command"], doc["exit"]),
                  (k + 1, " ".join(quoted(w) for w in job), c))
        check("json summary", docs[-1], {"summary": True, "result": 1, "jobs": len(JOBS),
                                         "succeeded": len(JOBS) - 1, "failed": [len(JOBS)],
                                         "cancelled": False, "not_run": []})
        check("json: one line per job and the summary", len(docs), len(JOBS) + 1)
    else:
        sections, current = [], None
        for line in lines[:-1]:
            if line.startswith(f"[{len(sections) + 1}/{len(JOBS)}] line "):
                current = []
                sections.append(current)
            else:
                current.append(line)
        for k, ((_, o, _), section) in enumerate(zip(alone, sections)):
            check(f"text job {k + 1}: stdout as alone", "".join(section), o)
        check("text: a section per job", len(sections), len(JOBS))
        check("text summary", lines[-1], f"batch: {len(JOBS)} jobs, {len(JOBS) - 1} succeeded, failed: line {last - 1}\n")
    shutil.rmtree("alone")
    shutil.rmtree("batch")


def failing_line_in_the_middle(clip):
    empty_folder()
    shutil.copy(clip, "clip.avi")
    write_jobs("jobs.txt", ["# a damaged card, then the rest", ["repair", "gone.avi"],
                            ["split", "clip.avi", "--seconds", "2"], "", ["extract", "clip.avi", "--stream", "1"]])
    code, out, err = tavrin("batch", "jobs.txt")
    check("middle failure: exit", code, 1)
    check("middle failure: the later lines ran", sorted(os.listdir(".")),
          ["clip-1.avi", "clip-2.avi", "clip.1.wav", "clip.avi", "jobs.txt"])
    check("middle failure: summary", out.splitlines()[-1], "batch: 3 jobs, 2 succeeded, failed: line 2")
    check("middle failure: the reason", "tavrin repair: gone.avi:" in err, True)


def no_command_on_line_3(clip):
    empty_folder()
    shutil.copy(clip, "clip.avi")
    cases = [
        (["split", "clip.avi", "--seconds", "2"], "split: unknown option '--bogus'", ["split", "clip.avi", "--bogus"]),
        (["extract", "clip.avi", "--stream", "1"], "unknown command 'splt'", ["splt", "clip.avi"]),
        (["info", "clip.avi"], "a quote is not closed", 'info "clip.avi'),
        (["info", "clip.avi"], "split: no input file", ["split", "--seconds", "2"]),
        (["info", "clip.avi"], "split: --create takes both, first or second",
         ["split", "clip.avi", "--create", "all"]),
        (["info", "clip.avi"], "a job file cannot run another batch", ["batch", "jobs.txt"]),
    ]
    for first, reason, third in cases:
        write_jobs("jobs.txt", [first, "# comment", third, ["repair", "clip.avi"]])
        code, out, err = tavrin("batch", "jobs.txt")
        check(f"line 3 ({reason}): exit, nothing said on stdout", (code, out), (2, ""))
        check(f"line 3 ({reason}): the line and reason", err, f"tavrin batch: jobs.txt, line 3: {reason}\n")
        check(f"line 3 ({reason}): nothing run", sorted(os.listdir(".")), ["clip.avi", "jobs.txt"])
    check("no job file", tavrin("batch")[0], 2)
    code, _, err = tavrin("batch", "nothere.txt")
    check("a missing job file", (code, err.startswith("tavrin batch: nothere.txt: ")), (1, True))
    with open("jobs.txt", "wb") as f:
        f.write(b"info clip.avi\ninfo \xff.avi\n")
    check("not UTF-8", tavrin("batch", "jobs.txt")[1:],
          ("", "tavrin batch: jobs.txt, line 2: not UTF-8 text\n"))


def names_relative_to_the_job_file(clip):
    # The job file in a folder with a space and non-ASCII characters, run
    # from elsewhere: its names start from its own folder. A BOM and CRLF
    # line ends, as Windows Notepad writes them.
    empty_folder()
    folder = os.path.join("Recordings 2024", "週末 é")
    os.makedirs(os.path.join(folder, "Show 1"))
    shutil.copy(clip, os.path.join(folder, "Show 1", "Épisode 1 ☃.avi"))
    write_jobs(os.path.join(folder, "jobs.txt"),
               ["\t# holiday  ", ["split", "Show 1/Épisode 1 ☃.avi", "--seconds", "2"],
                'extract "Show 1/Épisode 1 ☃.avi" --stream=1 --output "sound ""one"".wav"' if not WINDOWS else
                'extract "Show 1/Épisode 1 ☃.avi" --stream=1 --output "sound one.wav"  # the sound'],
               bom=True, newline="\r\n")
    code, out, err = tavrin("batch", os.path.join(folder, "jobs.txt"), "--json")
    docs = [json.loads(line) for line in out.splitlines()]
    check("names: exit", (code, err), (0, ""))
    check("names: the split's outputs", docs[0]["outputs"], ["Show 1/Épisode 1 ☃-1.avi", "Show 1/Épisode 1 ☃-2.avi"])
    sound = "sound one.wav" if WINDOWS else 'sound "one".wav'
    check("names: the command as read", docs[1]["command"],
          'extract "Show 1/Épisode 1 ☃.avi" --stream=1 --output ' + ('"sound one.wav"' if WINDOWS else '"sound ""one"".wav"'))
    check("names: line numbers", [d.get("line") for d in docs[:2]], [2, 3])
    check("names: in the job file's folder", sorted(os.listdir(folder)), ["Show 1", "jobs.txt", sound])
    check("names: the pieces", sorted(os.listdir(os.path.join(folder, "Show 1"))),
          ["Épisode 1 ☃-1.avi", "Épisode 1 ☃-2.avi", "Épisode 1 ☃.avi"])


def ctrl_c_in_the_second_job(clip):
    empty_folder()
    shutil.copy(clip, "clip.avi")
    write_sparse_avi("big.avi")
    write_jobs("jobs.txt", [["split", "clip.avi", "--seconds", "2"], ["split", "big.avi", "--seconds", "8"],
                            ["extract", "clip.avi", "--stream", "1"]])
    try:
        gate = ReadGate("big.avi")
    except OSError as e:
        print(f"SKIP: Ctrl-C in the second job: {e}")
        return
    p = subprocess.Popen([CLI, "batch", "jobs.txt", "--json"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    # Held at a read of big.avi once the second job's temporary files exist
    # (the first job's two outputs, then its two): signalled there.
    if gate.hold(p, lambda: len(os.listdir(".")) >= 7):
        os.kill(p.pid, signal.SIGINT)
    else:
        failures.append("Ctrl-C: the second job did not read its input once its files were made")
    gate.release()
    out, err = p.communicate(timeout=120)
    docs = [json.loads(line) for line in out.decode().splitlines()]
    check("Ctrl-C: exit", p.returncode, 1)
    check("Ctrl-C: the first job's outputs stay, nothing of the second", sorted(os.listdir(".")),
          ["big.avi", "clip-1.avi", "clip-2.avi", "clip.avi", "jobs.txt"])
    check("Ctrl-C: the second job as alone", docs[1] if len(docs) == 3 else docs,
          {"line": 2, "command": "split big.avi --seconds 8", "exit": 1, "result": -1, "message": None,
           "outputs": []})
    check("Ctrl-C: summary", docs[-1], {"summary": True, "result": 1, "jobs": 3, "succeeded": 1, "failed": [2],
                                        "cancelled": True, "not_run": [3]})
    check("Ctrl-C: said", "tavrin split: cancelled" in err.decode(), True)


def main():
    clip = needed_sample("ffmpeg_mpeg4_pcm_g12.avi")
    mjpeg = needed_sample("ffmpeg_mjpeg_pcm_g1.avi")
    empty_folder()
    same_as_alone(clip, mjpeg, json_lines=False)
    same_as_alone(clip, mjpeg, json_lines=True)
    failing_line_in_the_middle(clip)
    no_command_on_line_3(clip)
    names_relative_to_the_job_file(clip)
    ctrl_c_in_the_second_job(clip)
    empty_folder()

    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures")
    sys.exit(1 if failures else 0)


main()
