#!/usr/bin/env python3
"""--clone on file systems that share blocks: split, merge --write, join,
pieces (split --every, merged back), cut (one file and --separate), streams and repair on
loop-mounted XFS (reflink) and Btrfs images. Every output holds the streams,
flags and counts of the same command without --clone, ffprobe has nothing to
say about it, and most of its bytes share blocks with the input. Needs root
and the kernel's loop devices; where they are missing the test says why and
is skipped."""
import os
import shutil
import subprocess
import sys

import clonetest
from clitest import SAMPLES, SKIPPED, check, failures

XFS_MB = 512  # mkfs.xfs takes no smaller than 300 MB; the image file stays sparse
BTRFS_MB = 512


def run_quiet(*cmd):
    return subprocess.run(cmd, capture_output=True).returncode == 0


def mount_image(fs, folder):
    """Makes and mounts a sparse image; the reason it cannot, or ""."""
    if os.geteuid() != 0:
        return "not root: loop images cannot be mounted"
    image = os.path.abspath(f"{fs}.img")
    with open(image, "wb") as f:
        f.truncate((XFS_MB if fs == "xfs" else BTRFS_MB) << 20)
    make = ["mkfs.xfs", "-q", "-f", "-m", "reflink=1", image] if fs == "xfs" else ["mkfs.btrfs", "-q", "-f", image]
    if not shutil.which(make[0]):
        return f"{make[0]} is missing (package {'xfsprogs' if fs == 'xfs' else 'btrfs-progs'})"
    if not run_quiet(*make):
        return f"{make[0]} failed"
    os.makedirs(folder, exist_ok=True)
    if not run_quiet("mount", "-o", "loop", image, folder):
        return "mount -o loop failed (no loop devices here?)"
    return ""


def unmount(fs, folder):
    run_quiet("umount", folder)
    if os.path.exists(f"{fs}.img"):
        os.remove(f"{fs}.img")


def inputs():
    """A made file of 22 MB (large chunks, as recordings have) and a real sample."""
    made = os.path.abspath("made.avi")
    if not os.path.exists(made):
        subprocess.run([sys.executable, os.path.join(clonetest.TOOLS, "bench_split.py"), made, "1000", "14700",
                        "7056"], check=True)
    found = [(made, 20, 2, False)]
    real = os.path.join(SAMPLES, "ffmpeg_mpeg4_pcm_g12.avi")
    if os.path.exists(real):
        found.append((real, 13, 7.5, True))
    return found


def on(fs):
    folder = os.path.abspath(f"mnt_{fs}")
    why = mount_image(fs, folder)
    if why:
        unmount(fs, folder)
        return why
    try:
        for n, (source, seconds, overlap, decode) in enumerate(inputs()):
            # seconds: the split's cut; pieces of half of it
            work = os.path.join(folder, str(n))
            name = f"{fs} {os.path.basename(source)}"
            doc, err = clonetest.split_both_ways(work, source, seconds, overlap)
            check(f"{name} split says cloned", (doc.get("cloned"), "cloned:" in err), (True, True))
            doc, err = clonetest.merge_both_ways(work)
            check(f"{name} merge says cloned", (doc.get("cloned"), "cloned:" in err), (True, True))
            doc, err = clonetest.join_both_ways(work)
            check(f"{name} join says cloned", (doc.get("cloned"), "cloned:" in err), (True, True))
            (split, _), (merge, merge_err), pieces = clonetest.pieces_both_ways(work, source, "--every",
                                                                                str(seconds / 2))
            check(f"{name} pieces say cloned", (split.get("cloned"), merge.get("cloned"), "cloned:" in merge_err),
                  (True, True, True))
            cuts, cut_files = clonetest.cut_both_ways(work, source, f"1-{seconds / 3:.2f}", f"{seconds / 2:.2f}-{seconds:.2f}")
            check(f"{name} cut says cloned", [(d.get("cloned"), "cloned:" in e) for d, e in cuts], [(True, True)] * 2)
            doc, err = clonetest.repair_both_ways(work, source)
            check(f"{name} repair says cloned", (doc.get("cloned"), "cloned:" in err), (True, True))
            doc, err = clonetest.streams_both_ways(work, source)
            check(f"{name} streams says cloned", (doc.get("cloned"), "cloned:" in err), (True, True))
            big = os.path.getsize(source) > 16 << 20  # its outputs: 10 MB and more, its pieces 4 MB and more
            plains, clones = clonetest.outputs(work, "plain"), clonetest.outputs(work, "clone")
            for made in ("j.avi", "r.avi"):
                plains.append(os.path.join(work, "plain", made))
                clones.append(os.path.join(work, "clone", made))
            plains += [p for p, _ in pieces] + [p for p, _ in cut_files]
            clones += [c for _, c in pieces] + [c for _, c in cut_files]
            # Without its sound the picture's chunks lie apart in the input:
            # each is a run of its own (its streams and ffprobe are checked).
            plains.append(os.path.join(work, "plain", "s.avi"))
            clones.append(os.path.join(work, "clone", "s.avi"))
            shares = clonetest.shared_shares(plains + clones)
            for plain, cloned in zip(plains, clones):
                label = f"{name} {os.path.basename(cloned)}"
                check(f"{label} streams as without --clone", clonetest.streams(cloned) == clonetest.streams(plain),
                      True)
                # A made file holds no real pictures (ffprobe's decoder
                # complains of them, and slowly): the real sample's parts
                # show what ffprobe makes of the JUNK.
                if decode:
                    check(f"{label} ffprobe", clonetest.ffprobe_errors(cloned), "")
                # The real sample's parts are small: their headers and the
                # first 64 KiB of each run weigh more there.
                # A cut's files hold parts of PCM chunks at each seam, copied.
                want = 98 if big and "pieces" not in cloned and "cut-" not in cloned else 95 if big else 50
                if cloned.endswith("s.avi"):
                    want = 0
                if shares[cloned] < want:
                    check(f"{label} shared share {shares[cloned]}% too low", False, True)
            shutil.rmtree(work)  # room for the next input
    finally:
        unmount(fs, folder)
    return ""


def main():
    if clonetest.CLI.endswith(".exe"):
        # Wine passes no request to share blocks on to Linux file systems.
        print("SKIPPED: the Windows command line under Wine cannot share blocks")
        sys.exit(SKIPPED)
    skipped = [f"{fs}: {why}" for fs in ("xfs", "btrfs") if (why := on(fs))]
    for f in failures:
        print("FAIL:", f)
    for s in skipped:
        print("SKIPPED", s)
    if failures:
        print(f"{len(failures)} failure(s)")
        sys.exit(1)
    if len(skipped) == 2:
        sys.exit(SKIPPED)
    print("ok")


main()
