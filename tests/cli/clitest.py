"""What the command line tests share: the program under test, the sample
folder, and failures collected rather than stopping at the first.

The same tests run the Windows command line (tavrin-cli.exe under Wine,
through tests/wine/cli.sh): WINDOWS is then true, and the few checks of
what only a POSIX program has (signals other than Ctrl-C, /proc, names that
are no UTF-8) are left out there."""
import os
import shutil
import signal
import subprocess
import sys

CLI = os.environ.get("TAVRIN_CLI", "tavrin")
SAMPLES = os.environ.get("TAVRIN_SAMPLES", "")
WINDOWS = os.environ.get("TAVRIN_CLI_WINDOWS") == "1"
SKIPPED = 77  # ctest's mark for a skipped test
failures = []


def tavrin(*args):
    """Runs tavrin with args: (exit code, stdout, stderr)."""
    p = subprocess.run([CLI, *args], capture_output=True)
    if WINDOWS and p.returncode != 0 and not p.stdout and not p.stderr.strip(b"\r\n").startswith(b"tavrin"):
        # Wine now and then fails to start a program (one that starts just as
        # the prefix's server of the run before leaves): it prints nothing of
        # tavrin's own, which always says why it failed. Said, and run again.
        print(f"note: Wine did not start tavrin-cli.exe {' '.join(args)} "
              f"(exit {p.returncode}, stderr {p.stderr[:200]!r}); running it again", file=sys.stderr)
        p = subprocess.run([CLI, *args], capture_output=True)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


def check(name, got, want):
    if got != want:
        failures.append(f"{name}: got {got!r}, want {want!r}")


def tavrin_in(folder, args, timeout=60, wrapper=(), **popen):
    """Runs tavrin with args in folder, under wrapper (such as an strace
    command line) when given: (exit code, stdout, stderr). A run that outlasts
    timeout is killed with its whole process group and gives None as its
    code. A run killed by a signal gives minus the signal's number."""
    p = subprocess.Popen([*wrapper, CLI, *args], cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, start_new_session=True, **popen)
    return ended(p, timeout)


def ended(p, timeout):
    """Waits for p (started in a session of its own, with stdout and stderr
    piped) for timeout seconds at the most: (exit code, stdout, stderr). A
    run that outlasts timeout is killed with its whole process group and
    gives None as its code."""
    try:
        out, err = p.communicate(timeout=timeout)
        code = p.returncode
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, err = p.communicate()
        code = None
    return code, out.decode("utf-8", "replace"), err.decode("utf-8", "replace")


def sigint_caught(pid, sig=signal.SIGINT):
    """Whether the process has its handler of sig (Ctrl-C) in place (/proc)."""
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("SigCgt:"):
                    return int(line.split()[1], 16) & (1 << (sig - 1)) != 0
    except OSError:
        pass
    return False


def cancelled_at_flush(what, args, at=1):
    """Runs tavrin with args under strace, which raises SIGINT at its at-th
    fsync (as an output is flushed): the run must say it was cancelled, exit
    1 and leave the folder as it found it (no temporary file)."""
    before = sorted(os.listdir("."))
    p = subprocess.run(["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=fsync", "-e",
                        f"inject=fsync:signal=INT:when={at}", CLI, *args], capture_output=True)
    check(f"{what}: cancelled", (p.returncode, "cancelled" in p.stderr.decode()), (1, True))
    check(f"{what}: nothing left", sorted(os.listdir(".")), before)


def sample(name):
    """The path of the sample file name, or None where it was not made."""
    path = os.path.join(SAMPLES, name)
    return path if os.path.exists(path) else None


def needed_sample(name):
    """The path of the sample file name; without it the test is skipped
    (said, and exit 0)."""
    path = os.path.join(SAMPLES, name)
    if not os.path.exists(path):
        print(f"SKIP: no sample {path}")
        sys.exit(0)
    return path


def empty_folder():
    """Empties the working folder (the test's own), also of a run before."""
    for name in os.listdir("."):
        shutil.rmtree(name) if os.path.isdir(name) else os.remove(name)


def decoding_work(folder):
    """Moves into the test's own folder, emptied, for a test of what needs
    the decoders; exits as skipped where this build has none."""
    os.makedirs(folder, exist_ok=True)
    os.chdir(folder)
    empty_folder()
    _, _, err = tavrin("frame", "none.avi", "--frame", "0")
    if "no video decoders" in err:
        print("SKIPPED: this build has no decoders")
        sys.exit(SKIPPED)


def finish():
    """Prints the failures collected and exits with the test's status."""
    for f in failures:
        print("FAIL", f)
    print(f"{len(failures)} failures")
    sys.exit(1 if failures else 0)


def cut_short(src, path, numerator, denominator):
    """Writes the first numerator/denominator of src's bytes to path, as a
    recording stopped early leaves it: (the bytes written, src's size)."""
    with open(src, "rb") as f:
        data = f.read()
    kept = data[:len(data) * numerator // denominator]
    with open(path, "wb") as f:
        f.write(kept)
    return kept, len(data)


def require_root(what):
    """Tests that mount file systems or trace the program run as root (as CI
    does); anyone else is told why the test is skipped."""
    if os.geteuid() != 0:
        print(f"SKIPPED: not root: {what}")
        sys.exit(SKIPPED)
