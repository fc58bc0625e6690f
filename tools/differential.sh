#!/usr/bin/env bash
# Differential run of two tavrin binaries over every sample and command:
# exit codes, messages, JSON values and every output file byte for byte.
#   tools/differential.sh OLD_TAVRIN NEW_TAVRIN [SAMPLES_DIR] [-j N] [-v] [--full] [--only REGEX] [--keep]
# e.g. after a refactor, with a build of the commit before it:
#   git worktree add /tmp/before HEAD~3 && bash /tmp/before/scripts/build.sh native:tavrin
#   bash tools/differential.sh /tmp/before/build/native/tavrin build/native/tavrin
# Exits 0 when everything matched, 1 when anything differed. As root it also
# runs the --clone cases on loop-mounted XFS and Btrfs images. The cases and
# what is compared: the opening comment of tools/differential.py.
exec python3 "$(dirname "$0")/differential.py" "$@"
