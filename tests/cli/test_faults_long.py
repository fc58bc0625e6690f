#!/usr/bin/env python3
"""Faults on a big recording (about 300 MB, made once with ffmpeg and kept
in this test's folder of the build tree), over every command of
faultkit.COMMANDS that writes (those that only read end within tens of
milliseconds, too soon to aim a timer at; test_faults.py stops them at exact
calls): SIGINT, SIGTERM and SIGKILL at 10, 50 and 90% of that run's time,
and an input truncated, replaced or appended while the program reads it
(10 and 50% of the run's time after /proc/PID/fd shows it open).
Endings as in test_faults.py; at 90% a run may also have finished before
the signal. Needs no root (nothing is mounted or traced); labelled long."""
import os
import signal
import subprocess
import sys
import time

import faultcheck as fc
import faultmake as fm
from clitest import sigint_caught, tavrin_in
from faultcheck import Case, Run, snapshot
from faultkit import Kit, commands

SCRATCH = os.path.abspath(".")
SHARES = (0.1, 0.5, 0.9)


def recording():
    """A 36 s recording of 640x480 MPEG-4 video with noise (hard to
    compress: about 8 MB a second) and PCM sound, made once."""
    big = os.path.join(SCRATCH, "cache", "big.avi")
    if not os.path.exists(big):
        os.makedirs(os.path.dirname(big), exist_ok=True)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc2=size=640x480:rate=25,noise=alls=40:allf=t", "-f", "lavfi", "-i",
                        "sine=frequency=440:sample_rate=48000", "-t", "36", "-c:v", "mpeg4", "-q:v", "2", "-g", "25",
                        "-c:a", "pcm_s16le", "-ac", "2", big + ".part.avi"], check=True)
        os.rename(big + ".part.avi", big)
    return big


def aimed(command, where, share, make_act, ready=None, copy=False, retry=True):
    """Runs command in where, freshly prepared, with make_act()'s act at
    share of its undisturbed time (counted from ready, when given). A run
    that ended before is run again aiming at half that time, and at a
    quarter (retry: the fault must come while it runs). Returns the folder
    before, the run, the act, whether it came, and the folder after."""
    for aim in (share, share / 2, share / 4) if retry else (share,):
        command.prepare(where, copy)
        before = snapshot(where, command.inputs)
        act = make_act()
        run, acted = fm.run_acting(where, command.args, act, aim * command.seconds, ready,
                                   timeout=max(10, 5 * command.seconds))
        after = snapshot(where, command.inputs)
        if acted:
            break
    return before, run, act, acted, after


def timers(every):
    cases = []
    where = os.path.join(SCRATCH, "timer")
    for command in every:
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGKILL):
            for share in SHARES:
                case = Case("timer", f"{sig.name} at {share:.0%} of the run", command)
                # Counted from when the program catches the signal: before
                # that (loading its libraries) a signal ends any program.
                caught = None if sig == signal.SIGKILL else (lambda pid, sig=sig: sigint_caught(pid, sig))
                before, run, _, acted, after = aimed(command, where, share, lambda: lambda pid: os.kill(pid, sig),
                                                     ready=caught, retry=share <= 0.5)
                # Late on, the run may have ended before the signal came.
                finished = [fc.as_undisturbed(command, run, before, after)] if share > 0.5 else []
                if not acted and not finished:
                    case.expect(False, f"the run ended before {share / 4:.0%} of its undisturbed time")
                elif sig == signal.SIGKILL:
                    case.judge(fc.killed(command, run, before, after), *finished, run=run)
                else:
                    case.judge(fc.cancelled(command, run, before, after), *finished, run=run)
                cases.append(case)
                if sig == signal.SIGKILL:
                    case = Case("timer", f"the run after SIGKILL at {share:.0%} clears what that left", command)
                    run = Run(*tavrin_in(where, command.args, timeout=120), timeout=120)
                    case.judge(fc.as_undisturbed(command, run, before, snapshot(where, command.inputs)), run=run)
                    cases.append(case)
    return cases


def changing_inputs(every, kit):
    cases = []
    where = os.path.join(SCRATCH, "change")
    for command in every:
        for share in SHARES[:2]:
            for how in ("truncated", "replaced", "appended"):
                case = Case("changing input", f"an input {how} at {share:.0%} of the run", command)
                before, run, act, acted, after = aimed(
                    command, where, share, lambda: fm.changer(where, command.inputs, how, kit.stranger),
                    fm.holds_open(where, command.inputs), copy=how != "replaced")  # a rename over a link spares the kit
                if not acted:
                    case.expect(False, "the run ended before the input could be changed")
                else:
                    case.judge(*fc.changed_endings(command, run, before, after, act.changed), run=run)
                cases.append(case)
    return cases


def timed(command, where):
    """The undisturbed run's time, taken as the shortest of three (the first
    may have found the inputs out of the page cache)."""
    for _ in range(2):
        command.prepare(where)
        started = time.monotonic()
        tavrin_in(where, command.args, timeout=120)
        command.seconds = min(command.seconds, time.monotonic() - started)
    return command


def main():
    kit = Kit(os.path.join(SCRATCH, "cache", "kit"), recording())
    every = [timed(c, os.path.join(SCRATCH, "timing")) for c in commands(kit, SCRATCH) if c.writes]
    print("undisturbed:", ", ".join(f"{c.shown} ({c.seconds:.2f} s)" for c in every))
    cases = []
    for group in (lambda: timers(every), lambda: changing_inputs(every, kit)):
        started = time.monotonic()
        cases += group()
        print(f"[{cases[-1].group}: {time.monotonic() - started:.1f} s]", flush=True)
    sys.exit(1 if fc.report(cases) else 0)


main()
