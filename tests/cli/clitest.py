"""What the command line tests share: the program under test, the sample
folder, and failures collected rather than stopping at the first.

The same tests run the Windows command line (tavrin-cli.exe under Wine,
through tests/wine/cli.sh): WINDOWS is then true, and the few checks of
what only a POSIX program has (signals other than Ctrl-C, /proc, names that
are no UTF-8) are left out there."""
import os
import subprocess

CLI = os.environ.get("TAVRIN_CLI", "tavrin")
SAMPLES = os.environ.get("TAVRIN_SAMPLES", "")
WINDOWS = os.environ.get("TAVRIN_CLI_WINDOWS") == "1"
failures = []


def tavrin(*args):
    """Runs tavrin with args: (exit code, stdout, stderr)."""
    p = subprocess.run([CLI, *args], capture_output=True)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


def check(name, got, want):
    if got != want:
        failures.append(f"{name}: got {got!r}, want {want!r}")
