"""What the command line tests share: the program under test, the sample
folder, and failures collected rather than stopping at the first."""
import os
import subprocess

CLI = os.environ.get("TAVRIN_CLI", "tavrin")
SAMPLES = os.environ.get("TAVRIN_SAMPLES", "")
failures = []


def tavrin(*args):
    """Runs tavrin with args: (exit code, stdout, stderr)."""
    p = subprocess.run([CLI, *args], capture_output=True)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


def check(name, got, want):
    if got != want:
        failures.append(f"{name}: got {got!r}, want {want!r}")
