"""What a fault test finds wrong with a disturbed run: each verdict below
lists what a run did wrong against one acceptable ending (an empty list: it
ended so), and a case takes the first ending that fits or reports the
nearest one.

The endings: a clean failure (exit 1, the reason in words, no success
text, JSON with a non-zero result and no outputs, every file of the folder
as it was and nothing new: no partial output, no temporary file), a cancel
(the same with result -1), a success as the undisturbed run's (the same
JSON and the same files), and after SIGKILL a folder whose final names are
either untouched or whole."""
import json
import os
import re

from faultkit import SUCCESS_TEXTS, digest

# Words of a damage report or a repair hint: never the answer to a read error.
DAMAGE_WORDS = ["tavrin repair", "Repair in the window", "misses its chunk", "not an AVI", "Avi File",
                "damaged", "cut short", "Can't Create File", "changed while it was read"]


class Run:
    """What a run gave: exit code (None: it did not end in time; minus a
    signal's number: killed by it), stdout, stderr, the JSON line if any."""

    def __init__(self, code, out, err, timeout=None):
        self.code, self.out, self.err, self.timeout = code, out, err, timeout
        try:
            self.doc = json.loads(out)
        except ValueError:
            self.doc = None

    def words(self):
        """Everything the run said, JSON strings decoded."""
        said = [self.err, self.out]

        def strings(value):
            if isinstance(value, str):
                said.append(value)
            elif isinstance(value, dict):
                for v in value.values():
                    strings(v)
            elif isinstance(value, list):
                for v in value:
                    strings(v)
        strings(self.doc)
        return "\n".join(said)

    def show(self):
        said = " | ".join(line for line in (self.err.strip() + "\n" + self.out.strip()).splitlines() if line)
        return f"exit {self.code}: {said[:400]}"


def snapshot(folder, inputs):
    """Every file in folder: the inputs by size and time of change (they may
    sit on a spoiled disk), the others by size and digest."""
    seen = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        st = os.stat(path)
        seen[name] = (st.st_size, st.st_mtime_ns) if name in inputs else (st.st_size, digest(path))
    return seen


def outputs_in(command, before):
    """The folder after an undisturbed run: before, the outputs replaced."""
    after = dict(before)
    for name, sha in command.outputs.items():
        after[name] = (None, sha)
    return after


def differences(want, got):
    """What got (a snapshot) lacks or has beyond want: a snapshot whose facts
    may leave the size (None) or the digest too (None: any content) open."""
    wrong = []
    for name, (size, sha) in want.items():
        if name not in got:
            wrong.append(f"{name} is gone")
        elif (got[name][1] != sha if size is None else got[name] != (size, sha)) and sha is not None:
            wrong.append(f"{name} is not as it should be")
    left = sorted(set(got) - set(want))
    if left:
        wrong.append(f"left behind: {', '.join(left)}")
    return wrong


def exit_wrong(run, want):
    if run.code is None:
        return [f"did not end within {run.timeout} s (reads on past the end?)"]
    if want == "non-zero":
        return [] if run.code != 0 else [f"exit 0 ({run.show()})"]
    return [] if run.code == want else [f"exit {run.code}, want {want} ({run.show()})"]


def json_wrong(command, run, result):
    """result: the number wanted, or "non-zero"."""
    if "result" not in command.doc:
        return []  # info: its JSON is the analysis record
    if run.doc is None:
        return [f"no JSON line on stdout ({run.out.strip()[:200]!r})"]
    got = run.doc.get("result")
    wrong = []
    if got == 0 if result == "non-zero" else got != result:
        wrong.append(f"JSON result {got}, want {result}")
    if run.doc.get("outputs"):
        wrong.append(f"JSON lists outputs {run.doc['outputs']}")
    return wrong


def success_text(run):
    said = run.words()
    return [f"says {t!r} on a failure" for t in SUCCESS_TEXTS if t in said]


def failed(command, run, before, after, exit=1, result="non-zero", with_json=True):
    """A failure or cancel that leaves the folder as it was (with_json: the
    run was asked for its JSON line)."""
    if run.code is None:
        return exit_wrong(run, exit)
    return exit_wrong(run, exit) + (json_wrong(command, run, result) if with_json else []) + \
        success_text(run) + differences(before, after)


def cancelled(command, run, before, after):
    return failed(command, run, before, after, exit="non-zero", result=-1)


def as_undisturbed(command, run, before, after):
    """A success with the undisturbed run's JSON and files."""
    wrong = exit_wrong(run, 0)
    if run.code == 0:
        if run.doc != command.doc:
            wrong.append(f"JSON differs from the undisturbed run's: {run.out.strip()[:300]}")
        wrong += differences(outputs_in(command, before), after)
    return wrong


def says(run, *phrases):
    said = run.words()
    return [f"does not say {p!r}" for p in phrases if p not in said]


def names_one_of(run, names, what):
    said = run.words()
    return [] if any(n in said for n in names) else [f"names no {what} ({', '.join(names)})"]


def positions(run):
    """The byte positions a message gives ("at byte 104,857,600")."""
    return [int(n.replace(",", "")) for n in re.findall(r"bytes? ([0-9][0-9,]*)", run.words())]


def read_error(command, run, spoiled):
    """The words of a read error: the input, where and the system's reason
    (spoiled: input name to the offset of its spoiled 4 KiB block), and no
    damage report (unless the command's input is damaged by design)."""
    said = run.words()
    wrong = says(run, "Input/output error")
    named = [n for n in spoiled if n in said]
    if not named:
        wrong.append(f"names no spoiled input ({', '.join(spoiled)})")
    elif not any(spoiled[n] - (16 << 20) <= p < spoiled[n] + 4096 for n in named for p in positions(run)):
        wrong.append(f"gives no byte position at or shortly before the bad block ({spoiled})")
    if not command.salvages:
        wrong += [f"says {w!r} (a damage report)" for w in DAMAGE_WORDS if w in said]
    return wrong


def failed_reading(command, run, before, after, spoiled):
    return failed(command, run, before, after) + read_error(command, run, spoiled)


def failed_changed(command, run, before, after, changed):
    """A clean failure that names the input that changed and says so."""
    if run.code is None:
        return exit_wrong(run, 1)
    return failed(command, run, before, after) + names_one_of(run, [changed], "changed input") + \
        says(run, "changed")


def changed_endings(command, run, before, after, changed):
    """What a run whose input changed under it may end as: a clean failure
    that says so, or the undisturbed run's success (the change came after
    the input was read); the changed input is left out of both listings."""
    for facts in (before, after):
        facts.pop(changed, None)
    return failed_changed(command, run, before, after, changed), as_undisturbed(command, run, before, after)


def salvaged(command, run, before, after, spoiled):
    """A success that kept what could be read and says where it could not."""
    wrong = exit_wrong(run, 0)
    if run.code == 0:
        want = dict(before)
        want.update({name: (None, None) for name in command.outputs})
        wrong += read_error(command, run, spoiled) + differences(want, after)
    return wrong


def at_once(commands, runs, before, after):
    """Runs that wrote the same names at once (runs[n] of commands[n]): each
    ends as its undisturbed run or fails cleanly, one at least ends well,
    and every name written holds one run's whole output, nothing else left."""
    wrong = []
    for n, (command, run) in enumerate(zip(commands, runs), 1):
        if run.code == 0:
            wrong += [] if run.doc == command.doc else [f"run {n}: JSON differs from the undisturbed run's"]
        else:
            wrong += [f"run {n}: {w}" for w in exit_wrong(run, 1) + json_wrong(command, run, "non-zero") +
                      success_text(run)]
    if not any(run.code == 0 for run in runs):
        return wrong + ["no run ended well"]
    names = set().union(*(c.outputs for c in commands))
    for name in sorted(names):
        if after.get(name, (0, 0))[1] not in [c.outputs.get(name) for c, r in zip(commands, runs) if r.code == 0]:
            wrong.append(f"{name} is not the whole output of a run that ended well")
    left = sorted(set(after) - set(before) - names)
    return wrong + ([f"left behind: {', '.join(left)}"] if left else [])


def killed(command, run, before, after):
    """After SIGKILL: every file that was there is untouched, or is a whole
    output; a new file under a final name is whole. Other new files (a
    temporary file) may remain."""
    wrong = [] if run.code == -9 else [f"exit {run.code}, want death by SIGKILL ({run.show()})"]
    for name, fact in before.items():
        if after.get(name) != fact and not (name in command.outputs and after.get(name, (0, 0))[1] ==
                                             command.outputs[name]):
            wrong.append(f"{name} is neither as it was nor whole")
    for name in set(after) - set(before):
        if name in command.outputs and after[name][1] != command.outputs[name]:
            wrong.append(f"{name} is not whole")
    return wrong


class Case:
    """One fault on one command: its label and what was found wrong."""

    def __init__(self, group, fault, command):
        self.group = group
        self.label = f"{fault}: tavrin {command.shown}" if command else fault
        self.wrong = []

    def judge(self, *endings, run=None):
        """endings: lists of what is wrong against each acceptable ending;
        the case holds when one is empty, else it reports the first whose
        exit status the run had (or the first), and what run said."""
        if all(endings):
            fitting = [e for e in endings if not any(w.startswith(("exit ", "did not end")) for w in e)]
            self.wrong += (fitting or endings)[0]
            if run is not None and fitting:
                self.wrong.append(f"(it said: {run.show()})")

    def expect(self, ok, why):
        if not ok:
            self.wrong.append(why)


def report(cases):
    """Prints every case and a count per group; the number that failed."""
    groups = {}
    for case in cases:
        print(("ok    " if not case.wrong else "FAIL  ") + f"[{case.group}] {case.label}")
        for why in case.wrong:
            print(f"        {why}")
        held, total = groups.get(case.group, (0, 0))
        groups[case.group] = (held + (not case.wrong), total + 1)
    for group, (held, total) in groups.items():
        print(f"{group}: {held} of {total} hold")
    failed = sum(bool(c.wrong) for c in cases)
    print(f"{len(cases) - failed} of {len(cases)} cases hold")
    return failed
