#!/usr/bin/env python3
"""Every command's options, as its row of the table declares them, against
what each of its readers makes of them. The table is read from the bash
completion (made from it): each command's options, which take a value and
the choices of those that take one. For every command:
  - its usage (the synopsis), its --help and its section of the manual page
    show exactly those options, a value where one is taken, the same choices;
  - the parser accepts each one, as "--name value" and "--name=value", says
    "missing value for --name" when the value is left out and "--name takes
    a or b" for a value of none of the choices;
  - the parser refuses, as "unknown option", every option of the other
    commands that this one lacks (and one of no command), so that nothing is
    parsed that the table does not declare.
The inputs named do not exist: an accepted option gets as far as a job's
refusal or a check of the command's own, never to a word about the option."""
import os
import re
import sys
import tempfile

from clitest import WINDOWS, check, failures, tavrin


def table():
    """{command: {option: None (a switch), () (a value) or (choices...)}}
    from the completion script."""
    rc, script, _ = tavrin("--bash-completion")
    check("--bash-completion exits 0", rc, 0)
    commands = {}
    for name, options in re.findall(r'^    ([a-z]+)\) options="([^"]*)"', script, re.M):
        commands[name] = {o: None for o in options.split() if o != "--help"}
    for name, option, arm in re.findall(r'^    "([a-z]+) (--[a-z-]+)"\) (.*)$', script, re.M):
        choices = re.search(r'compgen -W "([^"]*)"', arm)
        commands[name][option] = tuple(choices.group(1).split()) if choices else ()
    return commands


def synopsis_options(usage):
    """{option: None, () or (choices...)} of the usage lines."""
    found = {}
    for option, value in re.findall(r"(--[a-z-]+)(?: ([^-\[\]|( ][^ \]]*|[a-z]+(?:\|[a-z]+)+))?", usage):
        if option not in found or found[option] is None:
            found[option] = None if not value else tuple(value.split("|")) if "|" in value else ()
    return found


def help_options(help_text):
    """The options of the --help text's option lines ("  --name VALUE  what")."""
    lines = [line for line in help_text.splitlines() if line.startswith("  --")]
    return {o for line in lines for o in re.findall(r"--[a-z-]+", re.split(r"\s{2,}", line.strip())[0])}


def manual_sections():
    """{command: the options tagged in its section of the manual page}."""
    rc, page, _ = tavrin("--man")
    check("--man exits 0", rc, 0)
    sections = {}
    for name, body in re.findall(r"^\.SS (\S+)\n(.*?)(?=^\.S[SH] |\Z)", page, re.M | re.S):
        tags = re.findall(r"^\.TP\n(.*)$", body, re.M)
        sections[name] = {o for tag in tags for o in re.findall(r"--[a-z-]+", tag.replace("\\-", "-"))}
    return sections


def operands(command, usage):
    """Names for the operands the command needs: FILE1 FILE2 -> a.avi b.avi."""
    words = usage.split("\n")[0].replace("usage: ", "").split()[2:]
    needed = []
    for word in words:
        if word.startswith(("[", "--")):
            break
        needed.append("sound.wav" if word == "AUDIO" else f"{chr(ord('a') + len(needed))}.avi")
    return needed


def said_of(err, option):
    """What the run said of the option as a usage fault, if anything."""
    for words in (f"unknown option '{option}", f"missing value for {option}", f"{option} takes "):
        if words in err:
            return words
    return None


def accepted(command, files, option, kind):
    value = kind[0] if kind else "1" if kind == () else None
    forms = [[option]] if value is None else [[option, value], [f"{option}={value}"]]
    for form in forms:
        rc, _, err = tavrin(command, *files, *form)
        check(f"{command} {' '.join(form)}: accepted", (rc in (0, 1, 2), said_of(err, option)), (True, None))
    if value is None:
        return
    rc, _, err = tavrin(command, *files, option)
    check(f"{command} {option} without a value", (rc, f"tavrin {command}: missing value for {option}\n" in err),
          (2, True))
    if kind:
        rc, _, err = tavrin(command, *files, f"{option}=none-of-them")
        want = f"{option} takes " + (", ".join(kind[:-1]) + " or " + kind[-1] if len(kind) > 1 else kind[0])
        check(f"{command} {option}=none-of-them", (rc, f"tavrin {command}: {want}\n" in err), (2, True))


def refused(command, files, option):
    rc, _, err = tavrin(command, *files, option, "1")
    check(f"{command} {option}: refused", (rc, f"tavrin {command}: unknown option '{option}'\n" in err), (2, True))


def main():
    os.chdir(tempfile.mkdtemp(prefix="options."))
    commands = table()
    pages = manual_sections()
    check("the completion knows every command of help", sorted(commands),
          sorted(re.findall(r"^  ([a-z]+)  ", tavrin("help")[1], re.M)))
    every = sorted({o for options in commands.values() for o in options} | {"--no-such-option"})
    runs = 0
    for command, options in commands.items():
        rc, text, _ = tavrin(command, "--help")
        usage = "\n".join(line for line in text.splitlines() if line.startswith(("usage: ", "       ")))
        check(f"{command}: the synopsis shows its options and values", synopsis_options(usage), options)
        check(f"{command}: --help tells of its options", help_options(text), set(options))
        check(f"{command}: the manual page tells of its options", pages.get(command), set(options))
        files = operands(command, usage)
        for option, kind in options.items():
            accepted(command, files, option, kind)
            runs += 1
        # Under Wine each run takes a while: the other commands' options are
        # the same code's work, tried on the native program.
        for option in every if not WINDOWS else ["--no-such-option"]:
            if option not in options:
                refused(command, files, option)
                runs += 1
    for f in failures:
        print("FAIL", f)
    print(f"{len(failures)} failures; {len(commands)} commands, {runs} options tried")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
