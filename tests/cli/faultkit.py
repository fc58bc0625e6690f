"""What the fault tests run: the command lines (one line per command that
reads or writes), the input files they name (a kit made once per folder
from one recording) and each command's undisturbed run, which every
disturbed run is measured against.

A command line names its inputs by their kit names (clip.avi, part-1.avi,
...) and may use the kit's figures: {half} and {third} (seconds: 45% and a
third of the recording), {half_mb} and {third_mb} (sizes in MB that cut the
recording about in two and in three). A new command is one more line."""
import hashlib
import json
import os
import shlex
import shutil
import time

from clitest import tavrin_in

COMMANDS = [
    "split clip.avi --seconds {half} --overlap 2",
    "split clip.avi --size-mb {half_mb}",
    "split clip.avi --every {third}",
    "split clip.avi --size-mb {third_mb} --all",
    "merge part-1.avi part-2.avi",
    "merge part-1.avi part-2.avi --write",
    "merge piece-1.avi piece-2.avi piece-3.avi",
    "merge piece-1.avi piece-2.avi piece-3.avi --write",
    "join piece-1.avi piece-2.avi piece-3.avi",
    "repair cut.avi",
    "cut clip.avi --keep {third}-{half}",
    "cut clip.avi --keep {third}-{half} --exact",
    "split clip.avi --seconds {half} --overlap 2 --exact",
    "info clip.avi",
]

# Commands that keep what they could read of a failing input: they may end
# well with the unreadable part left out, when they say where it was.
SALVAGING = {"repair"}

# What a run says when it succeeded, in both languages: never part of a
# failure's words.
SUCCESS_TEXTS = ["Completed", "Merge O.K.", "Join O.K.", "Repair completed", "nothing to repair",
                 "操作完了", "結合可能", "修復完了", "修復の必要はありません"]

KIT = ["clip.avi", "part-1.avi", "part-2.avi", "piece-1.avi", "piece-2.avi", "piece-3.avi", "cut.avi"]


def digest(path):
    h = hashlib.sha1()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def run_json(folder, line, **figures):
    code, out, err = tavrin_in(folder, shlex.split(line.format(**figures)) + ["--json"])
    if code != 0:
        raise RuntimeError(f"making the kit: `tavrin {line}` in {folder}: exit {code}: {out} {err}")
    return json.loads(out)


class Kit:
    """The input files in one folder, made from one recording: clip.avi (the
    recording), part-1.avi and part-2.avi (a split of it that overlaps),
    piece-1.avi to piece-3.avi (pieces without overlap), cut.avi (the
    recording cut at four fifths, its index lost), and the figures of the
    command lines. A folder made before from the same recording is taken
    as it is."""

    def __init__(self, folder, recording):
        self.folder = os.path.abspath(folder)
        os.makedirs(self.folder, exist_ok=True)
        clip = self.path("clip.avi")
        fresh = not os.path.exists(clip) or digest(clip) != digest(recording)
        if fresh:
            shutil.copyfile(recording, clip)
        size = os.path.getsize(clip)
        info = json.loads(tavrin_in(self.folder, ["info", "clip.avi", "--json"])[1])
        video = info["streams"][info["firstVideoStream"]]
        seconds = video["idx1EntryCount"] / video["rate"]
        self.figures = {"half": f"{seconds * 0.45:.2f}", "third": f"{seconds / 3:.2f}",
                        "half_mb": f"{size * 0.55 / 1048576:.2f}", "third_mb": f"{size * 0.36 / 1048576:.2f}"}
        if fresh or not all(os.path.exists(self.path(n)) for n in KIT):
            self.make(size)

    def path(self, name):
        return os.path.join(self.folder, name)

    def make(self, size):
        work = os.path.join(self.folder, "making")
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        shutil.copyfile(self.path("clip.avi"), os.path.join(work, "clip.avi"))
        doc = run_json(work, "split clip.avi --seconds {half} --overlap 5", **self.figures)
        for n, name in enumerate(doc["outputs"], 1):
            os.replace(os.path.join(work, name), self.path(f"part-{n}.avi"))
        doc = run_json(work, "split clip.avi --every {third}", **self.figures)
        if len(doc["outputs"]) != 3:
            raise RuntimeError(f"making the kit: --every {self.figures['third']} gave {doc['outputs']}")
        for n, name in enumerate(doc["outputs"], 1):
            os.replace(os.path.join(work, name), self.path(f"piece-{n}.avi"))
        with open(self.path("clip.avi"), "rb") as f, open(self.path("cut.avi"), "wb") as cut:
            left = size * 4 // 5
            while left:
                block = f.read(min(left, 1 << 20))
                cut.write(block)
                left -= len(block)
        shutil.rmtree(work)

    def stranger(self, name):
        """A file to rename over the input name: another kit file, of another
        size and the same format."""
        return self.path("piece-3.avi" if name != "piece-3.avi" else "piece-1.avi")

    def place(self, folder, names, copy=False, source=None):
        """Puts the named kit files (of source, a copy of the kit, if given)
        into folder: hard links, or copies when the folder is on another file
        system or the test will change them."""
        for name in names:
            origin, target = os.path.join(source or self.folder, name), os.path.join(folder, name)
            if not copy:
                try:
                    os.link(origin, target)
                    continue
                except OSError:
                    pass
            shutil.copyfile(origin, target)


class Command:
    """One command line of COMMANDS over a kit: its arguments (with --json),
    its inputs, and what its undisturbed run gave: exit code, JSON, the files
    it made (name to digest) and how long it took."""

    def __init__(self, line, kit):
        self.line = line
        self.kit = kit
        self.shown = line.format(**kit.figures)
        self.args = shlex.split(self.shown) + ["--json"]
        self.word = self.args[0]
        self.inputs = [a for a in self.args if a in KIT]
        self.salvages = self.word in SALVAGING

    def words(self, lang):
        """The arguments for a run that answers in words (no JSON) in lang."""
        return self.args[:-1] + ["--lang", lang]

    def undisturbed(self, folder):
        """Runs the command once in an empty folder holding its inputs."""
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.kit.place(folder, self.inputs)
        started = time.monotonic()
        code, out, err = tavrin_in(folder, self.args, timeout=600)
        self.seconds = time.monotonic() - started
        if code != 0:
            raise RuntimeError(f"undisturbed `tavrin {' '.join(self.args)}`: exit {code}: {out} {err}")
        self.out = out
        self.doc = json.loads(out)
        made = [n for n in sorted(os.listdir(folder)) if n not in self.inputs]
        self.outputs = {n: digest(os.path.join(folder, n)) for n in made}
        self.output_bytes = sum(os.path.getsize(os.path.join(folder, n)) for n in made)
        self.writes = bool(self.outputs)
        shutil.rmtree(folder)
        return self

    def earlier_files(self, folder):
        """Puts an earlier file under each name the command writes: a failed
        or cancelled run must leave it as it was."""
        for name in self.outputs:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(f"an earlier {name}, not to be touched\n".encode() * 64)

    def prepare(self, folder, copy=False, source=None):
        """An empty folder with the command's inputs and earlier files."""
        if os.path.ismount(folder):
            for name in os.listdir(folder):
                os.remove(os.path.join(folder, name))
        else:
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        self.kit.place(folder, self.inputs, copy, source)
        self.earlier_files(folder)
        return os.path.abspath(folder)


def commands(kit, scratch, lines=COMMANDS):
    """The commands of lines over kit, each with its undisturbed run."""
    return [Command(line, kit).undisturbed(os.path.join(scratch, "undisturbed")) for line in lines]
