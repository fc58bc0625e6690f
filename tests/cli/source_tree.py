"""What the checks of the sources themselves share: the source tree and its
top-level folders."""
import fnmatch
import os
import subprocess

ROOT = os.environ.get("TAVRIN_SOURCE_DIR") or os.path.normpath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def top_folders():
    """The repository's top-level folders: those holding files git keeps or
    would keep (new files too, not those .gitignore leaves out), or without
    git (an unpacked source tree) those not hidden nor ignored as build
    products by .gitignore (/build/, /dist/ ...)."""
    try:
        listed = subprocess.run(["git", "-C", ROOT, "ls-files", "--cached", "--others", "--exclude-standard"],
                                capture_output=True, text=True, check=True).stdout
        if listed:
            return {path.split("/")[0] for path in listed.splitlines()
                    if "/" in path and not path.startswith(".")}
    except (OSError, subprocess.CalledProcessError):
        pass
    ignored = []
    if os.path.isfile(os.path.join(ROOT, ".gitignore")):
        ignored = [line.strip().strip("/") for line in open(os.path.join(ROOT, ".gitignore"), encoding="utf-8")
                   if line.startswith("/") and line.strip().endswith("/")]
    return {name for name in os.listdir(ROOT)
            if os.path.isdir(os.path.join(ROOT, name)) and not name.startswith(".")
            and not any(fnmatch.fnmatch(name, pattern) for pattern in ignored)}
