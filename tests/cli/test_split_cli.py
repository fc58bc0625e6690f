#!/usr/bin/env python3
"""tavrin split on the command line: option parsing (raw texts, --opt=value,
usage errors), messages on stdout in both languages, --json (valid for any
bytes), names in any script, exit status, paths used whole (longer than 259
bytes refused), failures naming the file and the reason on stderr, and Ctrl-C
cancelling a run without leaving any file, early or late."""
import json
import os
import shutil
import signal
import subprocess
import sys
import time

from avi_file import write_sparse_avi
from clitest import CLI, WINDOWS, check, failures, needed_sample, sigint_caught, tavrin
from read_gate import ReadGate
COMPLETED = ("Completed\n\nIf 2nd file can't be played,\nUse Windows Media Player 6\n"
             "(Program Files\\Windows Media Player\\Mplayer2.exe)")
COMPLETED_JA = ("操作完了\n\n（分解後半部のみ再生に失敗する場合は\nWindows Media Player 6 をご使用ください\n"
                "詳細はヘルプファイル参照のこと）")


def run(*args):
    return tavrin("split", *args)


def sample(name="ffmpeg_mpeg4_pcm_g12.avi"):
    src = needed_sample(name)
    shutil.copy(src, "in.avi")
    for f in ("in-1.avi", "in-2.avi"):
        if os.path.exists(f):
            os.remove(f)
    return "in.avi"


def usage_errors():
    for args in ([], ["--seconds", "5"], ["a.avi", "b.avi"], ["a.avi", "--bogus"], ["a.avi", "--seconds"],
                 ["a.avi", "--create", "third"], ["a.avi", "--lang", "fr"], ["a.avi", "--secondsx=1"]):
        code, out, err = run(*args)
        check(f"usage {args} exit", code, 2)
        check(f"usage {args} stdout", out, "")


def messages():
    f = sample()
    # Raw texts: "-1" is the overlap's value, not an option.
    check("overlap -1", run(f, "--seconds", "5", "--overlap", "-1")[:2], (1, "[Overlap] bad value\n"))
    check("overlap=-1", run(f, "--seconds", "5", "--overlap=-1")[:2], (1, "[Overlap] bad value\n"))
    check("overlap ja", run(f, "--seconds", "5", "--overlap", "61", "--lang", "ja")[:2],
          (1, "「オーバーラップ」入力値に誤りがあります(0-60)\n"))
    check("no time", run(f)[:2], (1, "[Time] bad value\n"))
    check("minutes", run(f, "--minutes=--5")[:2], (1, "[min] bad value\n"))
    check("too long", run(f, "--hours", "1")[:2], (1, "[Time] is too long\n"))
    check("directory", run(".", "--seconds", "5", "--lang=ja")[:2], (1, "「分解元ファイル」が開けません\n"))
    check("no outputs after failures", os.path.exists("in-1.avi") or os.path.exists("in-2.avi"), False)

    code, out, _ = run(f, "--seconds", "10", "--overlap", "2")
    check("split exit", code, 0)
    # The message whole, without the window's advice after "Completed".
    check("split message", (out.split("\n")[0], "Media Player" in out), ("Completed", False))
    check("outputs", (os.path.exists("in-1.avi"), os.path.exists("in-2.avi")), (True, True))

    os.remove("in-1.avi")
    os.remove("in-2.avi")
    code, out, _ = run(f, "--seconds", "10", "--create", "second", "--json", "--lang", "ja")
    check("json exit", code, 0)
    doc = json.loads(out)
    check("json result", doc["result"], 0)
    # The JSON "message" keeps the advice it has always carried.
    check("json message ja", doc["message"], COMPLETED_JA)
    check("json outputs", doc["outputs"], ["in-2.avi"])
    check("second only", os.path.exists("in-1.avi"), False)

    code, out, _ = run(f, "--seconds", "1000", "--json")
    doc = json.loads(out)
    check("json failure", (code, doc["result"], doc["message"], doc["outputs"]), (1, 100, "[Time] is too long", []))


def whole_paths():
    # A 259-byte name is used whole; the outputs' names would not fit, so the
    # job gets as far as creating them. On Windows names of up to 32,767
    # characters work: there the outputs are made.
    d = "d" * 200
    os.makedirs(d, exist_ok=True)
    name = d + "/" + "c" * 54 + ".avi"
    assert len(name) == 259
    shutil.copy(sample(), name)
    code, out, _ = run(name, "--seconds", "10")
    check("259-byte path", (code, out.split("\n")[0]), (0, "Completed") if WINDOWS else (1, "Can't Create File"))
    # A longer one is refused, never cut to a different file.
    code, out, err = run(name + "tail", "--seconds", "10")
    check("long path", (code, out), (2, ""))
    check("long path says why", "263 bytes" in err and "259" in err, True)
    # Number texts are checked whole as well.
    check("long seconds", run(sample(), "--seconds", "1" + " " * 258 + "x")[:2], (1, "[sec] bad value\n"))
    shutil.rmtree(d)


def failures_name_file_and_reason():
    f = sample()
    code, out, err = run("missing.avi", "--seconds", "5", "--json")
    doc = json.loads(out)
    check("missing json", (code, doc["result"], doc["message"]), (1, -9, "File not open"))
    check("missing detail", doc["detail"], "missing.avi: No such file or directory")
    check("missing stderr", err, "tavrin split: missing.avi: No such file or directory\n")
    code, out, err = run("missing.avi", "--seconds", "5")
    check("stdout keeps the window's text", out, "File not open\n")
    # An output name taken by a folder: which file and why.
    os.mkdir("in-2.avi")
    code, out, err = run(f, "--seconds", "10")
    check("cannot create", (code, out), (1, "Can't Create File\n"))
    check("cannot create stderr", err, "tavrin split: in-2.avi: Is a directory\n")
    os.rmdir("in-2.avi")
    check("nothing left", sorted(x for x in os.listdir(".") if x.startswith("in")), ["in.avi"])


def output_dir():
    """--output-dir: the outputs go into the folder asked for, under the names
    they have beside the input and with the same bytes, also from a folder
    that cannot be written; a folder that is missing or no folder is refused
    before anything is written."""
    f = sample()
    check("beside", run(f, "--seconds", "10", "--overlap", "2")[0], 0)
    beside = [open(n, "rb").read() for n in ("in-1.avi", "in-2.avi")]
    os.makedirs("ro", exist_ok=True)
    os.makedirs("out", exist_ok=True)
    shutil.copy(f, "ro/in.avi")
    os.chmod("ro", 0o555)  # the input's folder cannot be written (root writes anyway)
    try:
        code, out, err = run("ro/in.avi", "--seconds", "10", "--overlap", "2", "--output-dir", "out", "--json")
        doc = json.loads(out)
        sep = "\\" if WINDOWS else "/"
        check("into out", (code, doc["outputs"]), (0, ["out" + sep + "in-1.avi", "out" + sep + "in-2.avi"]))
        check("same bytes", [open(os.path.join("out", n), "rb").read() for n in ("in-1.avi", "in-2.avi")], beside)
        check("nothing beside the input", sorted(os.listdir("ro")), ["in.avi"])
        code, out, err = run("ro/in.avi", "--every", "10", "--output-dir=out/", "--json")
        doc = json.loads(out)
        check("pieces into out", (code, doc["outputs"][0]), (0, "out/in-1.avi"))
        check("pieces outputs", all(os.path.exists(n) for n in doc["outputs"]), True)
    finally:
        os.chmod("ro", 0o755)
    for folder, reason in (("nowhere", "No such file or directory"), ("in.avi", "Not a directory")):
        for how in (["--seconds", "10"], ["--every", "10"]):
            before = sorted(os.listdir("."))
            code, out, err = run(f, *how, "--output-dir", folder)
            if WINDOWS:  # the system's own words
                reason = err[len(f"tavrin split: {folder}: "):-1]
            check(f"refused {folder} {how}", (code, out, err),
                  (1, "Can't Create File\n", f"tavrin split: {folder}: {reason}\n"))
            check(f"nothing written {folder} {how}", sorted(os.listdir(".")), before)
    shutil.rmtree("ro")
    shutil.rmtree("out")


def json_for_any_bytes():
    f = sample()
    odd = b"caf\xe9-\xff.avi"  # not UTF-8
    shutil.copy(f, odd)
    p = subprocess.run([CLI.encode(), b"split", odd, b"--seconds", b"10", b"--json"], capture_output=True)
    doc = json.loads(p.stdout.decode("utf-8"))  # strict: must be UTF-8 JSON
    check("odd name result", doc["result"], 0)
    check("odd name outputs", doc["outputs"], ["caf\ufffd-\ufffd-1.avi", "caf\ufffd-\ufffd-2.avi"])
    for name in (odd, b"caf\xe9-\xff-1.avi", b"caf\xe9-\xff-2.avi"):
        check(f"{name!r} exists", os.path.exists(name), True)
        os.remove(name)


def names_in_any_script():
    # Names outside every single code page (Japanese, Korean, accents, an emoji
    # beyond the 16-bit range) split, come back in the JSON and merge again.
    name = "日本語の動画 é 한국어 \U0001F600.avi"
    shutil.copy(sample(), name)
    stem = name[:-4]
    code, out, _ = run(name, "--seconds", "10", "--json")
    doc = json.loads(out)
    check("any script split", (code, doc["result"], doc["outputs"]), (0, 0, [stem + "-1.avi", stem + "-2.avi"]))
    for part in doc["outputs"]:
        check(f"{part} exists", os.path.exists(part), True)
    code, out, _ = tavrin("merge", stem + "-1.avi", stem + "-2.avi", "--write", "--json")
    doc = json.loads(out)
    check("any script merge", (code, doc["outputs"]), (0, [stem + "-m.avi"]))
    check("any script info", tavrin("info", stem + "-m.avi")[0], 0)
    for f in (name, stem + "-1.avi", stem + "-2.avi", stem + "-m.avi"):
        if os.path.exists(f):
            os.remove(f)


def info_refuses_what_is_no_avi():
    open("empty.avi", "wb").close()
    with open("text.avi", "w") as f:
        f.write("no RIFF here\n")
    for name in ("empty.avi", "text.avi"):
        for extra in ([], ["--json"]):
            code, out, err = tavrin("info", name, *extra)
            check(f"info {name} {extra}", (code, out), (1, ""))
            check(f"info {name} says why", "is not an AVI file" in err, True)
        os.remove(name)
    code, out, _ = tavrin("info", sample(), "--json")
    check("info on an AVI", (code, json.loads(out)["riffSizeOffset"]), (0, 4))


def times_computed_alike():
    # 90 s less an overlap of 5 s at 25 fps is frame 2125 on every build: the
    # 32-bit Windows build once computed 2124.999... with the x87 unit's wider
    # intermediates and began the second file a frame early.
    write_sparse_avi("frames.avi", frames=2300, frame_bytes=16)
    code, out, _ = run("frames.avi", "--seconds", "90", "--overlap", "5", "--create", "second", "--json")
    doc = json.loads(out)
    check("90 s less 5 s", (code, doc["cut"]["frame"], doc["second_start"]["frame"]), (0, 2250, 2125))
    for f in ("frames.avi", "frames-2.avi"):
        if os.path.exists(f):
            os.remove(f)


def runs_side_by_side():
    # Three runs on one input at once, twice over (a second window, a
    # script's loop): each reads the input and completes, and the outputs
    # they all write under one name are those of a run alone. On Windows an
    # open that shared the input with no one made about one run in three fail
    # with "File not open" while another read it.
    f = sample()
    check("alone", run(f, "--seconds", "10")[0], 0)
    def outputs():
        return [open(name, "rb").read() for name in ("in-1.avi", "in-2.avi")]

    alone = outputs()
    for round_ in range(2):
        runs = [subprocess.Popen([CLI, "split", f, "--seconds", "10"], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE) for _ in range(3)]
        for i, p in enumerate(runs):
            out, err = p.communicate(timeout=120)
            check(f"side by side {round_}.{i}", (p.returncode, out.decode().split("\n")[0], err.decode()),
                  (0, "Completed", ""))
    check("side by side outputs as alone", outputs() == alone, True)


def ctrl_c_cancels():
    home = os.getcwd()
    shutil.rmtree("ctrlc", ignore_errors=True)
    os.mkdir("ctrlc")
    os.chdir("ctrlc")
    try:
        ctrl_c_cancels_here()
    finally:
        os.chdir(home)


def ctrl_c_cancels_here():
    write_sparse_avi("big.avi")
    # Ctrl-C, and the SIGTERM that `timeout` or `kill` send, cancel alike (on
    # Windows Ctrl-C, which Wine passes on as the console's Ctrl+C).
    for sig in (signal.SIGINT,) if WINDOWS else (signal.SIGINT, signal.SIGTERM):
        try:
            gate = ReadGate("big.avi")
        except OSError as e:
            print(f"SKIP: Ctrl-C in the middle of a split: {e}")
            break
        p = subprocess.Popen([CLI, "split", "big.avi", "--seconds", "8", "--json"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        # Hold the run at its first read of the input once the engine has
        # created its (temporary) files, signal it there, then let it go on:
        # the cancel is seen at the next index entry. (Windows runs a
        # console's Ctrl+C handler on a thread it starts for it: under Wine
        # the flag is set a moment after the signal, while the run still has
        # most of 400 MB to copy.)
        if gate.hold(p, lambda: len(os.listdir(".")) >= 2):
            os.kill(p.pid, sig)
        else:
            failures.append(f"{sig}: the split did not read its input once its files were made")
        gate.release()
        out, err = p.communicate(timeout=120)
        doc = json.loads(out)
        check(f"{sig} exit", p.returncode, 1)
        check(f"{sig} json", doc, {"result": -1, "message": None, "outputs": []})
        check(f"{sig} leaves no file", os.listdir("."), ["big.avi"])
        check(f"{sig} stderr", "cancelled" in err.decode(), True)
    os.remove("big.avi")


def late_ctrl_c_keeps_the_json_line():
    # Ctrl-C at any moment once the command listens for it, including after
    # the job has finished: the JSON line still comes, whole.
    f = sample()
    before = set(os.listdir("."))
    for attempt in range(40):
        p = subprocess.Popen([CLI, "split", f, "--seconds", "10", "--json"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        while p.poll() is None and not sigint_caught(p.pid):
            pass
        time.sleep(attempt * 0.0005)
        if p.poll() is None:
            os.kill(p.pid, signal.SIGINT)
        out, err = p.communicate(timeout=60)
        try:
            doc = json.loads(out)
        except ValueError:
            failures.append(f"attempt {attempt}: no JSON line (exit {p.returncode}): {out!r}")
            continue
        if doc["outputs"]:  # finished; a Ctrl-C after the line may still end the process
            check(f"attempt {attempt} finished", (doc["result"], doc["outputs"], p.returncode in (0, -signal.SIGINT)),
                  (0, ["in-1.avi", "in-2.avi"], True))
        else:  # cancelled before (0) or while (-1) the engine ran
            check(f"attempt {attempt} cancelled", (doc["result"] in (0, -1), p.returncode), (True, 1))
        leftovers = [x for x in os.listdir(".") if x not in before | {"in-1.avi", "in-2.avi"}]
        check(f"attempt {attempt} leftovers", leftovers, [])

    # The sharpest case: the job is done and the command is writing its line
    # into a full pipe when Ctrl-C comes.
    for out_file in ("in-1.avi", "in-2.avi"):
        if os.path.exists(out_file):
            os.remove(out_file)
    read_end, write_end = os.pipe()
    filler = b"." * 65536
    os.set_blocking(write_end, False)
    filled = 0
    try:
        while True:
            filled += os.write(write_end, filler)
    except BlockingIOError:
        pass
    os.set_blocking(write_end, True)
    p = subprocess.Popen([CLI, "split", f, "--seconds", "10", "--json"], stdout=write_end,
                         stderr=subprocess.PIPE)
    os.close(write_end)
    deadline = time.time() + 60
    while not (os.path.exists("in-1.avi") and os.path.exists("in-2.avi")) and time.time() < deadline:
        time.sleep(0.01)
    time.sleep(0.3)  # now blocked writing the JSON line
    os.kill(p.pid, signal.SIGINT)
    data = b""
    while True:
        piece = os.read(read_end, 1 << 16)
        if not piece:
            break
        data += piece
    os.close(read_end)
    p.wait(timeout=60)
    line = data[filled:]
    try:
        doc = json.loads(line)
        check("late Ctrl-C result", (doc["result"], p.returncode), (0, 0))
    except ValueError:
        failures.append(f"late Ctrl-C: no JSON line (exit {p.returncode}): {line!r}")


usage_errors()
messages()
whole_paths()
info_refuses_what_is_no_avi()
failures_name_file_and_reason()
output_dir()
names_in_any_script()
times_computed_alike()
runs_side_by_side()
if not WINDOWS:  # Windows names are UTF-16: no name there is other bytes
    json_for_any_bytes()
ctrl_c_cancels()
if not WINDOWS:  # it watches /proc for the signal handler; Wine catches SIGINT from its start
    late_ctrl_c_keeps_the_json_line()
for f in failures:
    print("FAIL:", f)
print("ok" if not failures else f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
