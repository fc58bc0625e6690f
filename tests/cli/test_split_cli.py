#!/usr/bin/env python3
"""tavrin split on the command line: option parsing (raw texts, --opt=value,
usage errors), messages on stdout in both languages, --json, exit status,
field texts cut to 259 bytes, and Ctrl-C cancelling a run and removing its
partial outputs."""
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import time

CLI = os.environ.get("TAVRIN_CLI", "tavrin")
SAMPLES = os.environ.get("TAVRIN_SAMPLES", "")
COMPLETED = ("Completed\n\nIf 2nd file can't be played,\nUse Windows Media Player 6\n"
             "(Program Files\\Windows Media Player\\Mplayer2.exe)")
failures = []


def run(*args):
    p = subprocess.run([CLI, "split", *args], capture_output=True)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


def check(name, got, want):
    if got != want:
        failures.append(f"{name}: got {got!r}, want {want!r}")


def sample(name="ffmpeg_mpeg4_pcm_g12.avi"):
    src = os.path.join(SAMPLES, name)
    if not os.path.exists(src):
        print(f"SKIP: no sample {src}")
        sys.exit(0)
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
    check("split message", out, COMPLETED + "\n")
    check("outputs", (os.path.exists("in-1.avi"), os.path.exists("in-2.avi")), (True, True))

    os.remove("in-1.avi")
    os.remove("in-2.avi")
    code, out, _ = run(f, "--seconds", "10", "--create", "second", "--json", "--lang", "ja")
    check("json exit", code, 0)
    doc = json.loads(out)
    check("json result", doc["result"], 0)
    check("json message ja", doc["message"].split("\n")[0], "操作完了")
    check("json outputs", doc["outputs"], ["in-2.avi"])
    check("second only", os.path.exists("in-1.avi"), False)

    code, out, _ = run(f, "--seconds", "1000", "--json")
    doc = json.loads(out)
    check("json failure", (code, doc["result"], doc["message"], doc["outputs"]), (1, 100, "[Time] is too long", []))


def cut_to_field_size():
    # A dialog field holds 259 bytes: the name below is exactly that long, and
    # what the command line adds beyond it is cut off. The outputs' names would
    # not fit, so the job gets as far as creating them.
    d = "d" * 200
    os.makedirs(d, exist_ok=True)
    name = d + "/" + "c" * 54 + ".avi"
    assert len(name) == 259
    shutil.copy(sample(), name)
    check("cut path", run(name + "tail", "--seconds", "10")[:2], (1, "Can't Create File\n"))
    check("cut seconds", run(name, "--seconds", "1" + " " * 258 + "x")[:2], (1, "Can't Create File\n"))
    check("uncut seconds", run(name, "--seconds", "1" + " " * 257 + "x")[:2], (1, "[sec] bad value\n"))
    shutil.rmtree(d)


def big_sparse_avi(path, frames=400, frame_bytes=1 << 20):
    """A video-only AVI of 1 MB key frames whose data are holes: large to
    copy, cheap to make."""
    def chunk(code, data):
        return code + struct.pack("<I", len(data)) + data
    avih = struct.pack("<14I", 40000, 0, 0, 0x10, frames, 0, 1, frame_bytes, 160, 120, 0, 0, 0, 0)
    strh = b"vidsDIB " + struct.pack("<5I", 0, 0, 0, 1, 25) + struct.pack("<3I", 0, frames, frame_bytes) + \
        struct.pack("<2I4H", 0xFFFFFFFF, 0, 0, 0, 0, 0)
    strf = struct.pack("<3I2H6I", 40, 160, 120, 1, 24, 0, 0, 0, 0, 0, 0)
    strl = chunk(b"LIST", b"strl" + chunk(b"strh", strh) + chunk(b"strf", strf))
    hdrl = chunk(b"LIST", b"hdrl" + chunk(b"avih", avih) + strl)
    movi_size = 4 + frames * (8 + frame_bytes)
    movi_type = 12 + len(hdrl) + 8
    index = b"".join(b"00dc" + struct.pack("<3I", 0x10, 4 + i * (8 + frame_bytes), frame_bytes)
                     for i in range(frames))
    riff_size = 4 + len(hdrl) + 8 + movi_size + 8 + len(index)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", riff_size) + b"AVI " + hdrl)
        f.write(b"LIST" + struct.pack("<I", movi_size) + b"movi")
        for i in range(frames):
            f.write(b"00dc" + struct.pack("<I", frame_bytes))
            f.seek(frame_bytes, os.SEEK_CUR)
        f.write(b"idx1" + struct.pack("<I", len(index)) + index)
    assert os.path.getsize(path) == riff_size + 8
    return movi_type


def ctrl_c_cancels():
    big_sparse_avi("big.avi")
    p = subprocess.Popen([CLI, "split", "big.avi", "--seconds", "8", "--json"],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    # Catch the run once the engine has created its files, freeze it there,
    # then deliver Ctrl-C: the cancel is seen at the next index entry.
    deadline = time.time() + 60
    while not os.path.exists("big-1.avi") and p.poll() is None and time.time() < deadline:
        pass
    if p.poll() is not None:
        failures.append("the split ended before it could be interrupted")
        return
    os.kill(p.pid, signal.SIGSTOP)
    os.kill(p.pid, signal.SIGINT)
    os.kill(p.pid, signal.SIGCONT)
    out, err = p.communicate(timeout=120)
    doc = json.loads(out)
    check("cancel exit", p.returncode, 1)
    check("cancel json", doc, {"result": -1, "message": None, "outputs": []})
    check("cancel removes outputs", (os.path.exists("big-1.avi"), os.path.exists("big-2.avi")), (False, False))
    check("cancel stderr", "cancelled" in err.decode(), True)
    os.remove("big.avi")


usage_errors()
messages()
cut_to_field_size()
ctrl_c_cancels()
for f in failures:
    print("FAIL:", f)
print("ok" if not failures else f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
