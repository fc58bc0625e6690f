#!/usr/bin/env python3
"""Output files under real faults, on every command that writes (split,
split into pieces, merge --write, join, repair): the data flushed before the
name appears and the folder after (strace), Ctrl-C or SIGTERM at the flush
(cancelled, every earlier file as it was) and at the move (too late: every
output moved, success), a run killed before its move and the next run
removing what it left while a running run's temporary file stays, a full
disk at write, flush and close, two runs on one name, and more pieces than
descriptors to keep. Under Wine only what needs no strace, tmpfs or flock."""
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import time

from clitest import CLI, WINDOWS, check, failures, needed_sample, tavrin

PART = re.compile(r"^\.(.+)\.(\d+)(-\d+)?\.tavrin-part$")
HAVE_STRACE = not WINDOWS and shutil.which("strace") is not None


def read(path):
    with open(path, "rb") as f:
        return f.read()


def parts_in(folder="."):
    return sorted(n for n in os.listdir(folder) if n.endswith(".tavrin-part"))


class Case:
    """A command that writes, its final names, and a folder made fresh for it."""

    def __init__(self, name, args, finals):
        self.name, self.args, self.finals = name, args, finals

    def setup(self):
        for f in self.finals:
            with open(f, "wb") as out:
                out.write(b"earlier " + f.encode())

    def untouched(self):
        return all(read(f) == b"earlier " + f.encode() for f in self.finals)

    def replaced(self):
        return all(os.path.getsize(f) > 100000 for f in self.finals)


def cases():
    pieces = ["clip-1.avi", "clip-2.avi", "clip-3.avi", "clip-4.avi"]
    return [
        Case("split", ["split", "clip.avi", "--seconds", "60"], ["clip-1.avi", "clip-2.avi"]),
        Case("pieces", ["split", "clip.avi", "--every", "40"], pieces),
        Case("merge --write", ["merge", "p-1.avi", "p-2.avi", "--write", "--output", "m.avi"], ["m.avi"]),
        Case("join", ["join", "p-1.avi", "p-2.avi", "--output", "j.avi"], ["j.avi"]),
        Case("repair", ["repair", "cut.avi", "--output", "r.avi"], ["r.avi"]),
    ]


def prepare():
    src = needed_sample("ffmpeg_mpeg4_mp3_g25_150s.avi")
    shutil.copy(src, "clip.avi")
    shutil.copy(src, "p.avi")
    code, _, err = tavrin("split", "p.avi", "--seconds", "60", "--overlap", "2")
    check("parts for merge and join", (code, err), (0, ""))
    data = read(src)
    with open("cut.avi", "wb") as f:  # a recording that ended badly
        f.write(data[:len(data) * 3 // 5])


def run_json(args, strace=None, **kw):
    """Runs tavrin with --json (under strace with the given options): exit, JSON, stderr."""
    command = [CLI, *args, "--json"]
    if strace is not None:
        command = ["strace", "-f", "-qq", *strace, *command]
    p = subprocess.run(command, capture_output=True, **kw)
    try:
        doc = json.loads(p.stdout.decode().strip().splitlines()[-1])
    except (ValueError, IndexError):
        doc = {"unreadable": p.stdout.decode()}
    return p.returncode, doc, p.stderr.decode("utf-8", "replace")


def flush_precedes_move():
    # strace -y names each descriptor's file: every temporary file is
    # flushed before any output moves, and the folder after each move.
    here = os.path.realpath(".")
    for case in cases():
        case.setup()
        log = f"trace-{case.name.split()[0]}.log"
        code, doc, err = run_json(case.args, ["-y", "-o", log, "-e", "trace=fsync,fdatasync,rename,renameat,renameat2"])
        check(f"{case.name}: written", (code, doc.get("outputs")), (0, case.finals))
        events = []
        for line in open(log):
            m = re.search(r"\b(fsync|fdatasync)\(\d+<([^>]*)>\)\s+= 0", line)
            if m:
                events.append(("sync", m.group(2)))
            m = re.search(r'\brename(?:at2?)?\((?:[^,]*, )?"([^"]+)", (?:[^,]*, )?"([^"]+)"', line)
            if m:
                events.append(("move", m.group(1), m.group(2)))
        moves = [e for e in events if e[0] == "move"]
        check(f"{case.name}: one move per output", sorted(os.path.basename(e[2]) for e in moves), sorted(case.finals))
        first_move = events.index(moves[0]) if moves else 0
        for e in moves:
            src, dst = os.path.basename(e[1]), os.path.basename(e[2])
            m = PART.match(src)
            check(f"{case.name}: temporary name of {dst}", bool(m) and m.group(1) == dst, True)
            synced = [i for i, x in enumerate(events) if x == ("sync", os.path.join(here, src))]
            check(f"{case.name}: {src} flushed before any move", bool(synced) and synced[0] < first_move, True)
            at = events.index(e)
            check(f"{case.name}: folder flushed after moving {dst}", ("sync", here) in events[at + 1:], True)
        check(f"{case.name}: no temporary file left", parts_in(), [])
        os.remove(log)


def signal_at(syscall, signal_name, when):
    return ["-o", "/dev/null", "-e", f"trace={syscall}", "-e", f"inject={syscall}:signal={signal_name}:when={when}"]


def cancel_at_flush_and_move():
    for case in cases():
        n = len(case.finals)
        # At the last output's flush: cancelled, nothing replaced.
        for sig in ("INT", "TERM"):
            case.setup()
            code, doc, err = run_json(case.args, signal_at("fsync", sig, n))
            what = f"{case.name}: SIG{sig} at the flush"
            check(f"{what}: cancelled", (code, doc.get("result", 0) < 0, doc.get("outputs"), "cancelled" in err),
                  (1, True, [], True))
            check(f"{what}: earlier files kept", case.untouched(), True)
            check(f"{what}: no temporary file left", parts_in(), [])
        # At the first and the last move: too late, every output is moved.
        for when in sorted({1, n}):
            case.setup()
            code, doc, err = run_json(case.args, signal_at("rename", "INT", when))
            what = f"{case.name}: SIGINT at move {when} of {n}"
            check(f"{what}: completed", (code, doc.get("result"), doc.get("outputs"), "cancelled" in err),
                  (0, 0, case.finals, False))
            check(f"{what}: every output moved", case.replaced(), True)
            check(f"{what}: no temporary file left", parts_in(), [])


def killed_run_then_next_run():
    shutil.rmtree("killed", ignore_errors=True)
    os.mkdir("killed")
    for name in ("clip.avi", "p-1.avi", "p-2.avi"):
        shutil.copy(name, "killed/" + name)
    with open("outside.avi", "wb") as f:
        f.write(b"precious")
    os.symlink(os.path.realpath("outside.avi"), "killed/.link.avi.1.tavrin-part")
    os.chdir("killed")
    try:
        # A run that is writing m.avi here, held in its flush for 6 s.
        running = subprocess.Popen(["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=fsync",
                                    "-e", "inject=fsync:delay_enter=6000000:when=1",
                                    CLI, "merge", "p-1.avi", "p-2.avi", "--write", "--output", "m.avi", "--json"],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.time() + 30
        while not [n for n in parts_in() if n.startswith(".m.avi.")] and time.time() < deadline:
            time.sleep(0.01)
        time.sleep(0.3)  # written, now in its flush
        held = [n for n in parts_in() if n.startswith(".m.avi.")]
        check("running: its temporary file is there", len(held), 1)
        # A split killed at its last flush leaves both (complete) temporary files.
        code, _, _ = run_json(["split", "clip.avi", "--seconds", "60"], signal_at("fsync", "KILL", 2))
        check("killed: by SIGKILL", code, -9)
        left = [n for n in parts_in() if n not in held and not n.startswith(".link")]
        check("killed: its temporary files stay", sorted(PART.match(n).group(1) for n in left),
              ["clip-1.avi", "clip-2.avi"])
        # The next run in the folder removes the killed run's files only.
        code, doc, _ = run_json(["split", "clip.avi", "--seconds", "30", "--create", "first"])
        check("next run: written", (code, doc.get("outputs")), (0, ["clip-1.avi"]))
        check("next run: removed the killed run's files, kept the running one's and the link",
              parts_in(), sorted(held + [".link.avi.1.tavrin-part"]))
        check("running: still running", running.poll(), None)
        out, _ = running.communicate(timeout=60)
        check("running: completed", (running.returncode, json.loads(out)["outputs"]), (0, ["m.avi"]))
        check("running: whole", os.path.getsize("m.avi"), os.path.getsize("../clip.avi"))
        check("the link's file untouched", read("../outside.avi"), b"precious")
        check("only the link is left", parts_in(), [".link.avi.1.tavrin-part"])
    finally:
        os.chdir("..")
        shutil.rmtree("killed", ignore_errors=True)


def full_disk():
    # A tmpfs of 2 MB: the 2.8 MB joined file does not fit (ENOSPC at write).
    os.makedirs("full", exist_ok=True)
    if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", "size=2m", "tmpfs", "full"],
                                           capture_output=True).returncode != 0:
        print("SKIP: full disk (tmpfs cannot be mounted here)")
        return
    try:
        with open("full/m.avi", "wb") as f:
            f.write(b"earlier")
        code, doc, err = run_json(["merge", "p-1.avi", "p-2.avi", "--write", "--output", "full/m.avi"])
        check("full at write: failed", (code, doc.get("outputs"), "No space left on device" in err), (1, [], True))
        check("full at write: no success text", "Completed" in json.dumps(doc), False)
        check("full at write: earlier file kept", read("full/m.avi"), b"earlier")
        check("full at write: no temporary file left", parts_in("full"), [])
        # The pieces of an input beside them: the first fits, a later one not.
        shutil.copy("p-1.avi", "full/p-1.avi")
        code, doc, err = run_json(["split", "full/p-1.avi", "--every", "10"])
        check("full at a later piece: failed", (code, doc.get("outputs"), "No space left on device" in err),
              (1, [], True))
        check("full at a later piece: nothing moved, nothing left", sorted(os.listdir("full")), ["m.avi", "p-1.avi"])
    finally:
        subprocess.run(["umount", "full"], capture_output=True)

    # The flush and the close may be where a full or failing disk shows first.
    case = cases()[2]
    for errno_name in ("ENOSPC", "EIO"):
        case.setup()
        code, doc, err = run_json(case.args, ["-o", "/dev/null", "-e", "trace=fsync",
                                              "-e", f"inject=fsync:error={errno_name}:when=1"])
        text = os.strerror({"ENOSPC": 28, "EIO": 5}[errno_name])
        check(f"{errno_name} at the flush: failed", (code, doc.get("outputs"), text in err), (1, [], True))
        check(f"{errno_name} at the flush: earlier file kept", case.untouched(), True)
        check(f"{errno_name} at the flush: no temporary file left", parts_in(), [])
    # The close of the temporary file alone (strace -P): -D keeps the traced
    # program in the shell's process, whose number the name carries.
    case.setup()
    script = ('exec strace -D -qq -o /dev/null -P "$(pwd -P)/.m.avi.$$.tavrin-part" -e trace=close '
              '-e inject=close:error=ENOSPC:when=1 "$@"')
    p = subprocess.run(["sh", "-c", script, "sh", CLI, *case.args, "--json"], capture_output=True)
    doc = json.loads(p.stdout)
    check("ENOSPC at the close: failed",
          (p.returncode, doc.get("outputs"), "No space left on device" in p.stderr.decode()), (1, [], True))
    check("ENOSPC at the close: earlier file kept", case.untouched(), True)
    check("ENOSPC at the close: no temporary file left", parts_in(), [])


def leftovers_only():
    # What needs no strace or flock (also under Wine): a leftover of the
    # pattern goes at the next run in its folder; other names stay.
    shutil.rmtree("left", ignore_errors=True)
    os.mkdir("left")
    shutil.copy("clip.avi", "left/clip.avi")
    planted = {".clip-1.avi.99999.tavrin-part": b"gone", "clip-1.avi.99999.tavrin-part": b"stays",
               ".clip-1.avi.tmp": b"stays", ".note.tavrin-part.txt": b"stays"}
    for name, data in planted.items():
        with open(os.path.join("left", name), "wb") as f:
            f.write(data)
    code, doc, _ = run_json(["split", "left/clip.avi", "--seconds", "60"])
    check("leftover: written", (code, doc.get("outputs")), (0, ["left/clip-1.avi", "left/clip-2.avi"]))
    check("leftover: only the pattern's file removed", sorted(os.listdir("left")),
          sorted(["clip.avi", "clip-1.avi", "clip-2.avi"] + [n for n in planted if planted[n] == b"stays"]))
    shutil.rmtree("left")


def two_runs_one_name():
    delay = ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "inject=fsync:delay_enter=500000:when=1"] \
        if HAVE_STRACE else []
    # Inputs of their own: Windows opens an input for the first look alone.
    for n in (1, 2):
        shutil.copy(f"p-{n}.avi", f"q-{n}.avi")
    runs = [subprocess.Popen([*delay, CLI, "merge", f"{p}-1.avi", f"{p}-2.avi", "--write", "--output", "same.avi"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE) for p in ("p", "q")]
    results = [(r.wait(timeout=120), r.stderr.read().decode("utf-8", "replace")) for r in runs]
    check("two runs on one name: both completed", results, [(0, ""), (0, "")])
    check("two runs on one name: the file is whole", os.path.getsize("same.avi"), os.path.getsize("clip.avi"))
    check("two runs on one name: no temporary file left", parts_in(), [])


def few_descriptors():
    # 30 pieces with at most 24 descriptors: the pieces past what the
    # process can keep wait unowned, and all are moved.
    shutil.rmtree("few", ignore_errors=True)
    os.mkdir("few")
    shutil.copy("clip.avi", "few/clip.avi")

    def limit():
        resource.setrlimit(resource.RLIMIT_NOFILE, (24, 24))

    code, doc, err = run_json(["split", "few/clip.avi", "--every", "5"], preexec_fn=limit)
    check("few descriptors: written", (code, len(doc.get("outputs", [])), err), (0, 30, ""))
    check("few descriptors: no temporary file left", parts_in("few"), [])
    shutil.rmtree("few")


def main():
    prepare()
    leftovers_only()
    if HAVE_STRACE:
        flush_precedes_move()
        cancel_at_flush_and_move()
        killed_run_then_next_run()
        full_disk()
    else:
        print("SKIP: the strace cases" + (" (Windows)" if WINDOWS else " (no strace)"))
    two_runs_one_name()
    if not WINDOWS:
        few_descriptors()
    for f in failures:
        print("FAIL:", f)
    print("ok" if not failures else f"{len(failures)} failure(s)")
    sys.exit(1 if failures else 0)


main()
