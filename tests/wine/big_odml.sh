#!/usr/bin/env bash
# Past 4 GiB on Windows: tavrin-cli.exe under Wine splits an OpenDML file of
# 4.5 GB (tests/wine/make_big_odml.py, sparse where the file system keeps
# holes) with an overlap and joins the parts again (merge --write), and
# every file it writes is byte for byte the one the native tavrin writes
# from the same input. About 9 GB of disk at most (the parts, then the
# joined file), each output removed once its hash is known.
# Usage: big_odml.sh STATE_DIR ARCH TREE   (TAVRIN_CLI: the native tavrin)
set -uo pipefail
STATE=${1:?usage: big_odml.sh STATE_DIR ARCH TREE}
ARCH=${2:?}
TREE=${3:?}
HERE=$(cd "$(dirname "$0")" && pwd)
NATIVE=${TAVRIN_CLI:?}
export TAVRIN_WINE_STATE=$STATE TAVRIN_WINE_CLI_ARCH=$ARCH TAVRIN_WINE_CLI_EXE=$TREE/tavrin-cli.exe
WINDOWS="$HERE/cli.sh"
fail() { echo "big_odml.sh: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-big-odml.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
python3 "$HERE/make_big_odml.py" big.avi 4300 || fail "cannot make big.avi"
[ "$(stat -c %s big.avi)" -gt 4294967296 ] || fail "big.avi is not past 4 GiB"

# split at 90 s with a 5 s overlap, then join the parts: the outputs' hashes
hashes() { # program
  local program=$1 out
  out=$("$program" split big.avi --seconds 90 --overlap 5 --json) || { echo "split failed: $out" >&2; return 1; }
  sha256sum big-1.avi big-2.avi | cut -d' ' -f1
  rm -f big-m.avi
  out=$("$program" merge big-1.avi big-2.avi --write --json) || { echo "merge failed: $out" >&2; return 1; }
  rm -f big-1.avi big-2.avi
  [ "$(stat -c %s big-m.avi)" -gt 4294967296 ] || { echo "the joined file is not past 4 GiB" >&2; return 1; }
  sha256sum big-m.avi | cut -d' ' -f1
  rm -f big-m.avi
}

started=$SECONDS
want=$(hashes "$NATIVE") || fail "the native tavrin failed"
echo "native tavrin: $((SECONDS - started)) s"
started=$SECONDS
got=$(hashes "$WINDOWS") || fail "tavrin-cli.exe ($ARCH) failed"
echo "tavrin-cli.exe ($ARCH) under Wine: $((SECONDS - started)) s"
[ "$got" = "$want" ] || fail "tavrin-cli.exe wrote other bytes than the native tavrin:
native:  $(echo $want)
windows: $(echo $got)"
echo "big_odml.sh: the $ARCH build split and joined a 4.5 GB OpenDML file as the native build does"
