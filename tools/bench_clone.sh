#!/usr/bin/env bash
# Clone benchmark: `tavrin split --clone` of the 626 MB benchmark file (the
# "large" file of tools/bench_split.sh), `tavrin merge --write --clone` and
# `tavrin join --clone` of its two pieces, on loop-mounted XFS (reflink) and
# Btrfs images, against a `cp --reflink=never` of the input; the same
# commands without --clone for
# comparison. Besides the time it gives each operation's new space (output
# bytes that share no block with an input) and the shared share of its outputs
# (FIEMAP "shared" extents, tools/fiemap_shared.py). Prints one table.
# Goals: split, merge --write and join with --clone <= 0.25 x cp, shared >= 98%.
# Usage (root: it mounts images): tools/bench_clone.sh [TAVRIN_BINARY] [WORKDIR]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
[ -x "$TAVRIN" ] || { echo "bench_clone: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_clone: /usr/bin/time is needed (package time)" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "bench_clone: mounting the images needs root" >&2; exit 1; }
# The images live on disk (a memory-backed folder would hold them twice).
WORK=$(mkdir -p "${2:-${TMPDIR:-/tmp}/tavrin-clone-bench}" && cd "${2:-${TMPDIR:-/tmp}/tavrin-clone-bench}" && pwd)
MOUNTS=()
cleanup() {
  local m
  for m in "${MOUNTS[@]}"; do umount "$m" 2>/dev/null || true; rmdir "$m" 2>/dev/null || true; done
  rm -f "$WORK"/*.img
  [ -n "${2:-}" ] || rmdir "$WORK" 2>/dev/null || true
}
trap cleanup EXIT

shared_of() { # FILE... -> "SHARED_PERCENT NEW_MB" of all together
  python3 "$HERE/fiemap_shared.py" --json "$@" | python3 -c '
import json, sys
rows = json.load(sys.stdin)
size = sum(r["bytes"] for r in rows); shared = sum(r["shared"] for r in rows)
print(f"{100.0 * shared / size if size else 0:.2f} {(size - shared) / 1e6:.1f}")'
}

row() { # FILE OPERATION SECONDS CP_SECONDS SHARED NEW_MB
  printf '| %-24s | %-34s | %9.3f | %11.3f | %8s | %8s |\n' "$1" "$2" "$3" \
    "$(awk "BEGIN { print $3 / ($4 > 0 ? $4 : 0.001) }")" "$5" "$6"
}

bench_fs() { # FSTYPE
  local fs=$1 img=$WORK/$1.img dir=$WORK/$1
  bench_mount_image "$fs" 3G "$img" "$dir"
  MOUNTS+=("$dir")
  local in=$dir/large.avi label cp t s
  python3 "$HERE/bench_split.py" "$in" 28750 14700 7056
  sync
  label="$fs, $(($(stat -c %s "$in") / 1000000)) MB"
  cat "$in" >/dev/null
  read -r cp _ < <(bench_measure "$dir/copy.avi" cp --reflink=never "$in" "$dir/copy.avi")
  row "$label" "cp --reflink=never" "$cp" "$cp" "0.00" "$(($(stat -c %s "$in") / 1000000))"
  read -r t _ < <(bench_measure "$dir/copy.avi" cp --reflink=always "$in" "$dir/copy.avi")
  row "$label" "cp --reflink=always" "$t" "$cp" "100.00" "0.0"

  read -r t _ < <(bench_measure "$dir/large-1.avi $dir/large-2.avi" "$TAVRIN" split "$in" --seconds 575)
  row "$label" "split" "$t" "$cp" "-" "-"
  read -r t _ < <(bench_measure "$dir/large-1.avi $dir/large-2.avi" "$TAVRIN" split "$in" --seconds 575 --clone)
  "$TAVRIN" split "$in" --seconds 575 --clone >/dev/null 2>&1
  read -r s n < <(shared_of "$dir/large-1.avi" "$dir/large-2.avi")
  row "$label" "split --clone" "$t" "$cp" "$s" "$n"

  local m=$dir/joined.avi
  read -r t _ < <(bench_measure "$m" "$TAVRIN" merge "$dir/large-1.avi" "$dir/large-2.avi" --write --output "$m")
  row "$label" "merge --write" "$t" "$cp" "-" "-"
  read -r t _ < <(bench_measure "$m" "$TAVRIN" merge "$dir/large-1.avi" "$dir/large-2.avi" --write --output "$m" --clone)
  "$TAVRIN" merge "$dir/large-1.avi" "$dir/large-2.avi" --write --output "$m" --clone >/dev/null 2>&1
  read -r s n < <(shared_of "$m")
  row "$label" "merge --write --clone" "$t" "$cp" "$s" "$n"

  read -r t _ < <(bench_measure "$m" "$TAVRIN" join "$dir/large-1.avi" "$dir/large-2.avi" --output "$m")
  row "$label" "join" "$t" "$cp" "-" "-"
  read -r t _ < <(bench_measure "$m" "$TAVRIN" join "$dir/large-1.avi" "$dir/large-2.avi" --output "$m" --clone)
  "$TAVRIN" join "$dir/large-1.avi" "$dir/large-2.avi" --output "$m" --clone >/dev/null 2>&1
  read -r s n < <(shared_of "$m")
  row "$label" "join --clone" "$t" "$cp" "$s" "$n"
  rm -f "$dir"/*.avi
  umount "$dir"
  rmdir "$dir"
  MOUNTS=()
  rm -f "$img"
}

echo "tavrin clone benchmark: $(nproc) cores, $(uname -r), images in $WORK, median of $ROUNDS, $(bench_priority)"
printf '| %-24s | %-34s | %9s | %11s | %8s | %8s |\n' "file system, input" operation "median s" "ratio to cp" "shared %" "new MB"
printf '|%s|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..26})" "$(printf -- '-%.0s' {1..36})" "-----------" \
  "-------------" "----------" "----------"
for fs in ${BENCH_FILE_SYSTEMS:-xfs btrfs}; do bench_fs "$fs"; done
