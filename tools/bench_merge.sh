#!/usr/bin/env bash
# Merge benchmark: splits generated AVIs with a 60-second overlap and times
# `tavrin merge` of the two parts (both analyses, the overlap search, the
# plan; nothing is written) against `cp` of the two parts. Files: the 625 MB
# large-chunk and 88 MB small-chunk files of tools/bench_split.sh, and a
# 90-minute file whose overlap is a still scene of identical frames (the
# overlap search's hard case, tools/bench_merge.py). Prints one table
# (tools/bench_lib.sh). Goal: merge <= 0.2 x cp.
# PHASES=1 also prints the time of each phase (tools/bench_merge_phases.cpp,
# the target bench_merge_phases of the build tree the binary lies in).
# Usage: tools/bench_merge.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~2.5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
BUILD=$(dirname "$TAVRIN")
WORK=$(bench_workdir "${2:-}" 2600000 tavrin-merge-bench)
trap 'rm -f "$WORK"/*.avi; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_merge: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_merge: /usr/bin/time is needed (package time)" >&2; exit 1; }
if [ "${PHASES:-0}" = 1 ]; then
  cmake --build "$BUILD" --target bench_merge_phases >/dev/null
fi

bench() { # NAME SPLIT_SECONDS GENERATOR ARGS...
  local name=$1 at=$2 gen=$3 in=$WORK/$1.avi
  shift 3
  python3 "$HERE/$gen" "$in" "$@"
  "$TAVRIN" split "$in" --seconds "$at" --overlap 60 --json | grep -Eq '"result": *0,' ||
    { echo "bench_merge: split of $name failed" >&2; exit 1; }
  local label cp cpk t k a=$WORK/$name-1.avi b=$WORK/$name-2.avi
  label="$name, parts $((($(stat -c %s "$a") + $(stat -c %s "$b")) / 1000000)) MB"
  rm -f "$in"
  cat "$a" "$b" >/dev/null  # into the page cache
  read -r cp cpk < <(bench_measure "$WORK/copy*.avi" sh -c 'cp "$1" "$3" && cp "$2" "$4"' - "$a" "$b" \
    "$WORK/copy1.avi" "$WORK/copy2.avi")
  bench_row "$label" "cp of both parts" "$cp" "$cp" "$cpk"
  read -r t k < <(bench_measure "" "$TAVRIN" merge "$a" "$b")
  bench_row "$label" "merge (no writing)" "$t" "$cp" "$k"
  [ "${PHASES:-0}" != 1 ] || echo "  phases: $("$BUILD/bench_merge_phases" "$a" "$b")" >&2
  rm -f "$a" "$b"
}

echo "tavrin merge benchmark: $(nproc) cores, $(uname -r), work folder $WORK ($(df -PT "$WORK" | awk 'NR == 2 { print $2 }')), median of $ROUNDS, $(bench_priority)"
bench_header
bench large 575 bench_split.py 28750 14700 7056
bench small 1771 bench_split.py 88594 600 384
# 135,000 frames at 25 fps = 90 min, a still scene across the overlap (60 min).
bench static 3600 bench_merge.py 135000 7000 --static 86000 93000
