#!/usr/bin/env python3
"""Faults as a user's machine makes them, over every command that reads or
writes (faultkit.COMMANDS), each ending in one of the endings faultcheck
accepts: a full disk (at write, fsync or close), a read error from the
device (a spoiled block in the header, the data or the index), SIGINT,
SIGTERM and SIGKILL at exact calls (the first write, the fsync, the move
into place; a reader's second read), an input truncated, replaced or
appended while it is read, two runs writing one name, a run beside another
one's temporary file, and 2,000 inputs under `ulimit -n 64`. Prints one
line per case. Runs as root (mounts, strace); the long cases (a big file,
signals on timers) are in test_faults_long.py."""
import os
import resource
import shutil
import subprocess
import sys
import time

import faultcheck as fc
import faultmake as fm
from clitest import SAMPLES, require_root, tavrin_in
from faultkit import KIT, Command, Kit, commands
from faultcheck import Case, Run, snapshot

SCRATCH = os.path.abspath(".")


def folder(name):
    return os.path.join(SCRATCH, name)


def run_in(where, command, **extra):
    return Run(*tavrin_in(where, command.args, timeout=10, **extra), timeout=10)


def disk_full(commands):
    """ENOSPC at write (a tmpfs with room for the inputs and half the
    output; once with --json, once in words and Japanese), at fsync and at
    the output's close (strace)."""
    cases = []
    for command in [c for c in commands if c.writes]:
        for label, args in (("", command.args), (", in Japanese words", command.words("ja"))):
            case = Case("disk full", f"ENOSPC at write (a full tmpfs){label}", command)
            where = folder("full")
            os.makedirs(where, exist_ok=True)
            room = sum((os.path.getsize(command.kit.path(i)) + 4095) // 4096 * 4096 for i in command.inputs)
            with fm.tmpfs(where, room + 4096 * (len(command.outputs) + 1) + command.output_bytes // 2):
                command.prepare(where, copy=True)
                before = snapshot(where, command.inputs)
                run = Run(*tavrin_in(where, args, timeout=10), timeout=10)
                after = snapshot(where, command.inputs)
            case.judge(fc.failed(command, run, before, after, with_json=args is command.args) +
                       full_disk_words(command, run), run=run)
            cases.append(case)

        for call, trace in (("fsync", fm.SYNCS), ("close", "close")):
            case = Case("disk full", f"ENOSPC at {call}", command)
            where = command.prepare(folder("full-" + call))
            log = os.path.join(SCRATCH, "strace.log")
            # The close is aimed by its count in its thread, found in a run
            # before; the threads' other closes (readers opened as the walk
            # finds the cache warm or cold) can move it: aimed again then.
            for _ in range(4 if call == "close" else 1):
                inject = f"{trace}:error=ENOSPC"
                if call == "close":
                    found = fm.output_close(where, command.args, log, command.inputs)
                    command.prepare(where)
                    inject = f"close:error=ENOSPC:when={found or 1}"
                before = snapshot(where, command.inputs)
                run = fm.run_traced(where, command.args, log, trace, inject)
                after = snapshot(where, command.inputs)
                if fm.injected_into_output(log, where, command.inputs):
                    break
                command.prepare(where)
            if not fm.injected_into_output(log, where, command.inputs):
                case.expect(False, "made no fsync call on an output: it is not flushed before it is moved into place"
                            if call == "fsync" else "the close of an output file could not be found")
            else:
                case.judge(fc.failed(command, run, before, after) + full_disk_words(command, run), run=run)
            cases.append(case)
    return cases


def full_disk_words(command, run):
    return fc.names_one_of(run, list(command.outputs), "output") + fc.says(run, "No space left on device")


def read_errors(commands, kit):
    """EIO from a Btrfs image in which every kit file has one spoiled block:
    in the header, in the data (movi) or in the index (idx1)."""
    cases = []
    image = fm.SpoiledImage(folder("eio"))
    try:
        spoiled, blocks = {}, []
        for spot in ("header", "data", "index"):
            source = os.path.join(image.folder, spot)
            os.makedirs(source)
            for name in KIT:
                shutil.copyfile(kit.path(name), os.path.join(source, name))
                offset = fm.riff_spots(kit.path(name))[spot]
                spoiled[spot, name] = offset
                blocks.append((os.path.join(source, name), offset))
        image.spoil(blocks)
        for spot in ("header", "data", "index"):
            for n, command in enumerate(commands):
                case = Case("read error", f"EIO in the {spot}", command)
                where = command.prepare(os.path.join(image.folder, f"{spot}-{n}"),
                                        source=os.path.join(image.folder, spot))
                before = snapshot(where, command.inputs)
                run = run_in(where, command)
                after = snapshot(where, command.inputs)
                bad = {i: spoiled[spot, i] for i in command.inputs}
                endings = [fc.failed_reading(command, run, before, after, bad),
                           fc.as_undisturbed(command, run, before, after)]
                if command.salvages:
                    endings.append(fc.salvaged(command, run, before, after, bad))
                case.judge(*endings, run=run)
                cases.append(case)
    finally:
        image.close()
    return cases


# The exact calls a signal comes at: writers at their first write, their
# first fsync and their first move into place; readers at their second read
# of an input (after the first look at it).
WRITER_POINTS = [("the first write", fm.WRITES, 1), ("the fsync", fm.SYNCS, 1),
                 ("the move into place", fm.MOVES, 1)]
READER_POINT = ("the second read of an input", fm.READS, 2)
SIGNALS_AT = {"INT": ["the first write", "the fsync", "the move into place", READER_POINT[0]],
              "TERM": ["the first write", READER_POINT[0]],
              "KILL": ["the first write", "the move into place", READER_POINT[0]]}


def signals(commands):
    cases = []
    log = os.path.join(SCRATCH, "strace.log")
    for command in commands:
        points = WRITER_POINTS if command.writes else [READER_POINT]
        for sig, wanted in SIGNALS_AT.items():
            for point, trace, when in [p for p in points if p[0] in wanted]:
                case = Case("signal", f"SIG{sig} at {point}", command)
                where = command.prepare(folder("signal"))
                paths = [] if command.writes else [os.path.join(where, i) for i in command.inputs]
                before = snapshot(where, command.inputs)
                run = fm.run_traced(where, command.args, log, trace, f"{trace}:signal={sig}:when={when}", paths)
                after = snapshot(where, command.inputs)
                if not fm.injected(log):
                    case.expect(False, f"never reached {point}" +
                                (": the output is not flushed before it is moved into place"
                                 if point == "the fsync" else ""))
                elif sig == "KILL":
                    case.judge(fc.killed(command, run, before, after), run=run)
                elif point == "the move into place":
                    # The move has begun: it completes (and says so) or
                    # leaves every earlier file as it was.
                    case.judge(fc.cancelled(command, run, before, after),
                               fc.as_undisturbed(command, run, before, after), run=run)
                else:
                    case.judge(fc.cancelled(command, run, before, after), run=run)
                cases.append(case)
                if sig == "KILL" and command.writes:
                    case = Case("signal", f"the run after SIGKILL at {point} clears what that left", command)
                    run = run_in(where, command)
                    case.judge(fc.as_undisturbed(command, run, before, snapshot(where, command.inputs)), run=run)
                    cases.append(case)
    return cases


def changing_inputs(commands, kit):
    """An input truncated to half, replaced (another file renamed over it)
    or appended to while the program stands at its second read of an input
    and, for writers, at its first write."""
    cases = []
    log = os.path.join(SCRATCH, "strace.log")
    for command in commands:
        points = [READER_POINT] + ([WRITER_POINTS[0]] if command.writes else [])
        for point, trace, when in points:
            for how in ("truncated", "replaced", "appended"):
                case = Case("changing input", f"an input {how} at {point}", command)
                where = command.prepare(folder("change"), copy=True)
                before = snapshot(where, command.inputs)
                act = fm.changer(where, command.inputs, how, kit.stranger)
                paths = [os.path.join(where, i) for i in command.inputs] if trace == fm.READS else []
                run, stopped = fm.run_paused(where, command.args, log, trace, when, act, paths)
                after = snapshot(where, command.inputs)
                if not stopped:
                    case.expect(False, f"the program never reached {point}")
                else:
                    case.judge(*fc.changed_endings(command, run, before, after, act.changed), run=run)
                cases.append(case)
    return cases


def two_runs(commands, kit):
    """A second run while the first stands at its first write: of the same
    command line (each run ends well or fails cleanly, and the folder holds
    the outputs, whole, and nothing else); of another one writing the same
    name (the file is wholly one run's); and of another command in the same
    folder (the first run's temporary file is not taken from it)."""
    cases = []
    log = os.path.join(SCRATCH, "strace.log")
    writers = [c for c in commands if c.writes]

    def side_by_side(first, second, where, files):
        runs = []
        run, stopped = fm.run_paused(where, first.args, log, fm.WRITES, 1, lambda pid: runs.append(run_in(where, second)))
        return [run] + runs, stopped, snapshot(where, files)

    for command in writers:
        case = Case("two runs", "the same outputs written by two runs at once", command)
        where = command.prepare(folder("two"))
        before = snapshot(where, command.inputs)
        runs, stopped, after = side_by_side(command, command, where, command.inputs)
        case.expect(stopped, "the first run never wrote")
        if stopped:
            case.judge(fc.at_once([command, command], runs, before, after))
        cases.append(case)

    lines = ["join piece-1.avi piece-2.avi --output same.avi", "join piece-2.avi piece-3.avi --output same.avi"]
    first, second = (Command(line, kit).undisturbed(folder("undisturbed")) for line in lines)
    case = Case("two runs", f"one name written by two command lines at once: {lines[0]} and {lines[1]}", None)
    where = first.prepare(folder("two"))
    kit.place(where, ["piece-3.avi"])
    files = first.inputs + ["piece-3.avi"]
    before = snapshot(where, files)
    runs, stopped, after = side_by_side(first, second, where, files)
    case.expect(stopped, "the first run never wrote")
    if stopped:
        case.judge(fc.at_once([first, second], runs, before, after))
    cases.append(case)

    first, other = writers[0], next(c for c in writers if c.word != writers[0].word)
    case = Case("two runs", f"another command in the folder ({other.shown}) while this one writes", first)
    where = first.prepare(folder("beside"))
    kit.place(where, [i for i in other.inputs if i not in first.inputs])
    other.earlier_files(where)
    files = set(first.inputs) | set(other.inputs)
    before = snapshot(where, files)
    runs, stopped, after = side_by_side(first, other, where, files)
    case.expect(stopped, "the first run never wrote")
    if stopped:
        want = fc.outputs_in(other, fc.outputs_in(first, before))
        case.judge(fc.exit_wrong(runs[0], 0) + fc.exit_wrong(runs[1], 0) + fc.differences(want, after))
    cases.append(case)
    return cases


def many_inputs():
    """join of 2,000 small files with no more than 64 descriptors open."""
    case = Case("many inputs", "tavrin join of 2,000 files under ulimit -n 64", None)
    where = folder("many")
    shutil.rmtree(where, ignore_errors=True)
    os.makedirs(where)
    small = os.path.join(where, "small.avi")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=32x32:rate=25", "-frames:v", "2",
                    "-c:v", "mpeg4", "-g", "1", small], check=True)
    names = [f"s{n:04}.avi" for n in range(2000)]
    for name in names:
        shutil.copyfile(small, os.path.join(where, name))
    os.remove(small)
    limit = lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (64, 64))  # noqa: E731
    code, out, err = tavrin_in(where, ["join", *names, "--output", "all.avi", "--json"], timeout=120,
                               preexec_fn=limit)
    run = Run(code, out, err, 120)
    case.judge(fc.exit_wrong(run, 0))
    left = sorted(set(os.listdir(where)) - set(names) - {"all.avi"})
    case.expect(not left, f"left behind: {', '.join(left)}")
    if run.code == 0:
        frames = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0",
                                 "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0",
                                 os.path.join(where, "all.avi")], capture_output=True, text=True).stdout.strip()
        case.expect(frames == "4000", f"the joined file holds {frames} frames, want 4000")
    shutil.rmtree(where)
    return [case]


def main():
    require_root("the fault tests mount file systems and trace the program")
    # A small recording (half a megabyte): a run takes some 50 ms.
    samples = [os.path.join(SAMPLES, n) for n in ("gst_mpeg4_mp3_g12.avi", "ffmpeg_mpeg4_pcm_g12.avi")]
    kit = Kit(folder("kit"), next((s for s in samples if os.path.exists(s)), samples[0]))
    every = commands(kit, SCRATCH)
    cases = []
    for group in (lambda: disk_full(every), lambda: read_errors(every, kit), lambda: signals(every),
                  lambda: changing_inputs(every, kit), lambda: two_runs(every, kit), many_inputs):
        started = time.monotonic()
        cases += group()
        print(f"[{cases[-1].group}: {time.monotonic() - started:.1f} s]", flush=True)
    sys.exit(1 if fc.report(cases) else 0)


main()
