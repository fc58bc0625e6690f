"""How the fault tests make real faults on Linux (as root):

- a full disk: a small tmpfs mounted as the folder (ENOSPC at write), and
  ENOSPC at fsync or at the close of an output made by strace's inject;
- a read error: a Btrfs loop image in which one 4 KiB block of a file is
  overwritten behind the file system's back, so that its checksum fails and
  every read touching it gets EIO, as from a failing disk (no device mapper
  here): filefrag gives the block's address in the file system,
  btrfs-map-logical its place in the image;
- a signal at an exact call: strace -e inject=CALLS:signal=SIG:when=N,
  counted per syscall and per thread (-P PATH counts only the calls on that
  file);
- a pause at an exact call (signal=STOP): the test changes an input while
  the program stands still, then lets it go on.
"""
import contextlib
import os
import re
import shutil
import signal
import struct
import subprocess
import time

from clitest import CLI, ended, tavrin_in
from faultcheck import Run

WRITES = "write,pwrite64,writev,pwritev,pwritev2,copy_file_range"
READS = "read,pread64,readv,preadv,preadv2"
SYNCS = "fsync,fdatasync,sync_file_range"
MOVES = "rename,renameat,renameat2,link,linkat"


def quiet(*cmd):
    p = subprocess.run(cmd, capture_output=True, text=True)
    if p.returncode != 0:
        raise RuntimeError(f"{' '.join(cmd)}: {p.stderr.strip()}")
    return p.stdout


@contextlib.contextmanager
def tmpfs(folder, size):
    """folder as a tmpfs of size bytes (rounded up to whole pages)."""
    os.makedirs(folder, exist_ok=True)
    while os.path.ismount(folder):  # left by a run that was stopped
        quiet("umount", "-l", folder)
    quiet("mount", "-t", "tmpfs", "-o", f"size={(size + 4095) // 4096 * 4096}", "tmpfs", folder)
    try:
        yield folder
    finally:
        quiet("umount", "-l", folder)


def run_traced(folder, args, log, trace, inject=None, paths=(), timeout=20):
    """Runs tavrin under strace, which does inject (an -e inject= value) and
    logs the calls of trace (with the files behind descriptors) to log."""
    with contextlib.suppress(FileNotFoundError):
        os.remove(log)
    wrapper = ["strace", "-f", "-qq", "-y", "-o", log, "-e", f"trace={trace}"]
    if inject:
        wrapper += ["-e", f"inject={inject}"]
    for p in paths:
        wrapper += ["-P", p]
    return Run(*tavrin_in(folder, args, timeout=timeout, wrapper=wrapper + ["--"]), timeout=timeout)


def log_text(log):
    try:
        with open(log, encoding="utf-8", errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def injected(log):
    """Whether strace injected anything (an error, or a signal)."""
    text = log_text(log)
    return "(INJECTED)" in text or "+++ killed by SIGKILL" in text or \
        re.search(r"--- SIG[A-Z]+ \{si_signo=SIG[A-Z]+, si_code=SI_KERNEL", text)


def injected_into_output(log, folder, inputs):
    """Whether an injected error hit a call on a file of folder that is not
    an input (strace -y names the file behind a descriptor)."""
    for m in re.finditer(r"\(\d+<([^>]*)>.*\(INJECTED\)", log_text(log)):
        if os.path.dirname(m.group(1)) == os.path.abspath(folder) and os.path.basename(m.group(1)) not in inputs:
            return True
    return False


def output_close(folder, args, log, inputs):
    """N such that the first close of an output file (not an input) is the
    N-th close of its thread, found in a traced undisturbed run in folder
    (strace counts calls per thread), or None when no output was closed."""
    run_traced(folder, args, log, "close")
    closes = {}
    for line in log_text(log).splitlines():
        m = re.match(r"(\d+) +close\(\d+<([^>]*)>\)", line)
        if m:
            tid, path = m.group(1), m.group(2)
            closes[tid] = closes.get(tid, 0) + 1
            if os.path.dirname(path) == os.path.abspath(folder) and os.path.basename(path) not in inputs:
                return closes[tid]
    return None


# ---- a Btrfs image with spoiled blocks ----

def riff_spots(path):
    """Where the header, the data (movi) and the index (idx1) lie in an AVI
    file: one 4 KiB block of each, as byte offsets. A file without idx1 (cut
    short) has its last whole block as its index spot."""
    size = os.path.getsize(path)
    spots = {"header": 0}
    with open(path, "rb") as f:
        pos = 12
        while pos + 8 <= size:
            f.seek(pos)
            code, length = struct.unpack("<4sI", f.read(8))
            if code == b"LIST":
                kind = f.read(4)
                if kind == b"movi":
                    end = min(pos + 8 + length, size)
                    spots["data"] = (pos + (end - pos) // 2) // 4096 * 4096
            elif code == b"idx1":
                spots["index"] = (pos + 8 + length // 2) // 4096 * 4096
            pos += 8 + length + (length & 1)
    spots.setdefault("index", (size // 4096 - 1) * 4096)
    return spots


def fs_address(path, offset):
    """The Btrfs address of the extent that holds byte offset of path, and
    how far into that extent the byte lies."""
    block = offset // 4096
    for line in quiet("filefrag", "-v", "-b4096", path).splitlines():
        m = re.match(r"\s*\d+:\s*(\d+)\.\.\s*(\d+):\s*(\d+)\.\.", line)
        if m and int(m.group(1)) <= block <= int(m.group(2)):
            return int(m.group(3)) * 4096, (block - int(m.group(1))) * 4096
    raise RuntimeError(f"filefrag: no extent holds block {block} of {path}")


def image_offset(image, address):
    """Where a Btrfs address lies in the (unmounted) image file: the
    extent's start (btrfs-map-logical finds extents by their start) and the
    place in it; an extent lies whole in one chunk, mapped in one piece."""
    start, into = address
    return int(re.search(r"physical (\d+)", quiet("btrfs-map-logical", "-l", str(start), image)).group(1)) + into


class SpoiledImage:
    """A Btrfs image mounted at folder in which files get one spoiled block."""

    def __init__(self, folder, megabytes=512):
        self.folder = os.path.abspath(folder)
        self.image = self.folder + ".img"
        with open(self.image, "wb") as f:
            f.truncate(megabytes << 20)
        quiet("mkfs.btrfs", "-q", "-f", self.image)
        os.makedirs(self.folder, exist_ok=True)
        if os.path.ismount(self.folder):  # left by a run that was stopped
            quiet("umount", self.folder)
        quiet("mount", "-o", "loop", self.image, self.folder)

    def spoil(self, blocks):
        """blocks: (path in the image's folder, byte offset) pairs. Writes them
        out, spoils each block in the image, mounts again and drops the page
        cache, so that reads of those blocks fail with EIO."""
        quiet("sync")
        addresses = [fs_address(path, offset) for path, offset in blocks]
        quiet("umount", self.folder)
        places = [image_offset(self.image, a) for a in addresses]
        with open(self.image, "r+b") as f:
            for place in places:
                f.seek(place)
                f.write(bytes(range(256)) * 16)
        quiet("mount", "-o", "loop", self.image, self.folder)
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")

    def close(self):
        subprocess.run(["umount", self.folder], capture_output=True)
        if os.path.exists(self.image):
            os.remove(self.image)


# ---- a pause at an exact call, and the input changed meanwhile ----

def tavrin_pid(tracer):
    """The program strace started (its child running tavrin; strace makes a
    short-lived child of its own first), or None once strace has ended."""
    program = os.path.realpath(CLI)
    while True:
        try:
            with open(f"/proc/{tracer}/task/{tracer}/children") as f:
                kids = f.read().split()
        except OSError:
            return None
        for kid in kids:
            with contextlib.suppress(OSError):
                if os.readlink(f"/proc/{kid}/exe") == program:
                    return int(kid)
        time.sleep(0.002)


def open_files(pid):
    """The files pid has open."""
    found = set()
    try:
        for fd in os.listdir(f"/proc/{pid}/fd"):
            try:
                found.add(os.readlink(f"/proc/{pid}/fd/{fd}"))
            except OSError:
                pass
    except OSError:
        pass
    return found


def change(path, how, stranger):
    """Changes path as another program would while it is read: "truncated"
    (to half), "replaced" (another file renamed over it) or "appended"
    (1 MiB more at its end)."""
    if how == "truncated":
        os.truncate(path, os.path.getsize(path) // 2)
    elif how == "replaced":
        shutil.copyfile(stranger, path + ".new")
        os.rename(path + ".new", path)
    else:
        with open(path, "ab") as f:
            f.write(b"\0" * (1 << 20))


def run_paused(folder, args, log, trace, when, act, paths=(), timeout=10):
    """Runs tavrin under strace, which stops it at the when-th call of trace
    (each thread counted apart; -P paths: only calls on those files). While
    it stands, act(pid) runs once; then the program goes on (a later stop
    of another thread is let go as well). Returns the run and whether the
    stop came."""
    with contextlib.suppress(FileNotFoundError):
        os.remove(log)
    wrapper = ["strace", "-f", "-qq", "-o", log, "-e", f"trace={trace}",
               "-e", f"inject={trace}:signal=STOP:when={when}"]
    for p in paths:
        wrapper += ["-P", p]
    p = subprocess.Popen([*wrapper, "--", CLI, *args], cwd=folder, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
    stopped, pid = False, None
    deadline = time.monotonic() + timeout
    while p.poll() is None and time.monotonic() < deadline:
        if "stopped by SIGSTOP" in log_text(log):
            if not stopped:
                stopped, pid = True, tavrin_pid(p.pid)
                if pid is None:
                    break
                act(pid)
                deadline = time.monotonic() + timeout
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGCONT)
        time.sleep(0.005)
    return Run(*ended(p, max(0.1, deadline - time.monotonic())), timeout), stopped


def changer(folder, inputs, how, stranger):
    """An act for run_paused: changes the first of inputs that the program
    has open (else the last) as change() says; .changed names it."""
    def act(pid):
        held = open_files(pid)
        act.changed = next((i for i in inputs if os.path.join(os.path.abspath(folder), i) in held), inputs[-1])
        change(os.path.join(folder, act.changed), how, stranger(act.changed))
    act.changed = None
    return act


def run_acting(folder, args, act, delay, ready=None, timeout=60):
    """Runs tavrin (no tracer); once ready(pid) holds (at once without it)
    and delay seconds more have passed, act(pid) runs if the program still
    runs. Returns the run and whether act ran."""
    p = subprocess.Popen([CLI, *args], cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, start_new_session=True)
    while ready and p.poll() is None and not ready(p.pid):
        time.sleep(0.001)
    time.sleep(delay)
    acted = p.poll() is None
    if acted:
        act(p.pid)
    return Run(*ended(p, timeout), timeout), acted


def holds_open(folder, inputs):
    """A ready() for run_acting: the program has one of inputs open."""
    paths = {os.path.join(os.path.abspath(folder), i) for i in inputs}
    return lambda pid: bool(open_files(pid) & paths)
