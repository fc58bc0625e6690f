#!/usr/bin/env python3
"""--clone where the file system cannot share blocks (tmpfs when this runs
as root, else the test folder's own unless that one can share): split,
merge --write, join, repair and pieces (split --size-mb N --all, merged
back) write
exactly the bytes they write without it, and say that they copied."""
import filecmp
import os
import subprocess
import sys

import clonetest
from clitest import SAMPLES, SKIPPED, check, failures


def folder():
    """A folder on a file system that cannot share blocks; the reason there
    is none, or ""."""
    here = os.path.abspath("nocopy")
    os.makedirs(here, exist_ok=True)
    if os.geteuid() == 0 and subprocess.run(["mount", "-t", "tmpfs", "-o", "size=192m", "tmpfs", here],
                                            capture_output=True).returncode == 0:
        return here, ""
    kind = subprocess.run(["stat", "-f", "-c", "%T", here], capture_output=True, text=True).stdout.strip()
    if kind in ("xfs", "btrfs"):
        return here, f"the test folder is on {kind}, which may share blocks, and tmpfs cannot be mounted"
    return here, ""


def main():
    source = os.path.join(SAMPLES, "ffmpeg_mpeg4_pcm_g12.avi")
    if not os.path.exists(source):
        print(f"SKIPPED: no sample {source}")
        sys.exit(SKIPPED)
    work, why = folder()
    if why:
        print("SKIPPED:", why)
        sys.exit(SKIPPED)
    try:
        doc, err = clonetest.split_both_ways(work, source, 13, 7.5)
        check("split says copied", (doc.get("cloned"), doc.get("shared_bytes"), "copied:" in err), (False, 0, True))
        doc, err = clonetest.merge_both_ways(work)
        check("merge says copied", (doc.get("cloned"), "copied:" in err), (False, True))
        doc, err = clonetest.join_both_ways(work)
        check("join says copied", (doc.get("cloned"), "copied:" in err), (False, True))
        doc, err = clonetest.repair_both_ways(work, source)
        check("repair says copied", (doc.get("cloned"), "copied:" in err), (False, True))
        (split, split_err), (merge, _), pieces = clonetest.pieces_both_ways(work, source, "--size-mb", "1", "--all")
        check("pieces say copied", (split.get("cloned"), merge.get("cloned"), "copied:" in split_err),
              (False, False, True))
        pairs = list(zip(clonetest.outputs(work, "plain"), clonetest.outputs(work, "clone")))
        pairs += [(os.path.join(work, "plain", n), os.path.join(work, "clone", n)) for n in ("j.avi", "r.avi")]
        pairs += pieces
        for plain, cloned in pairs:
            check(f"{os.path.basename(cloned)} the same bytes", filecmp.cmp(plain, cloned, shallow=False), True)
    finally:
        subprocess.run(["umount", work], capture_output=True)
    for f in failures:
        print("FAIL:", f)
    print("ok" if not failures else f"{len(failures)} failure(s)")
    sys.exit(1 if failures else 0)


main()
