#!/usr/bin/env bash
# Joined-file benchmark: splits a ~1 GB AVI with a 5-second overlap, then
# times `tavrin merge --write` of the two parts (analyses, overlap search,
# plan and the joined file) and the writing of the joined file alone (from
# tools/bench_merge_write_phase.cpp, built against the core library) against
# `cp` of the same two parts, and
# `tavrin split --size-mb` against `cp` of the input; all files in the page
# cache. Prints median of ROUNDS (5) runs, the ratio to cp and the peak
# resident memory. Goal: merge --write <= 1.2 x cp, < 16 MB.
# Files: "large" (3,400 frames of ~300 KB with PCM) and "small" (150,000
# frames of ~600 bytes with PCM: 300,000 chunks).
# Usage: tools/bench_merge_write.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
if [ -n "${2:-}" ]; then
  WORK=$2
elif [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt 5500000 ]; then
  WORK=$(mktemp -d /dev/shm/tavrin-write-bench.XXXXXX)  # memory-backed: no disk write-back
else
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-write-bench.XXXXXX")
fi
ROUNDS=${ROUNDS:-5}
mkdir -p "$WORK"
trap 'rm -f "$WORK"/*.avi "$WORK"/time.txt "$WORK"/write_phase; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_merge_write: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_merge_write: /usr/bin/time is needed (package time)" >&2; exit 1; }
BUILD=$(dirname "$TAVRIN")
[ -f "$BUILD/libtavrin_core.a" ] || { echo "bench_merge_write: no libtavrin_core.a next to $TAVRIN" >&2; exit 1; }
c++ -O2 -std=c++17 -I"$HERE/.." "$HERE/bench_merge_write_phase.cpp" "$BUILD/libtavrin_core.a" -o "$WORK/write_phase"

# Median wall-clock seconds of ROUNDS runs of a command; the outputs named by
# CLEANUP are removed and written back before each run so every run starts alike.
median() { # CLEANUP COMMAND...
  local clean=$1 times=()
  shift
  for _ in $(seq "$ROUNDS"); do
    rm -f $clean
    sync
    /usr/bin/time -f "%e" -o "$WORK/time.txt" "$@" >/dev/null
    times+=("$(cat "$WORK/time.txt")")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

peak_mb() { # COMMAND...  -> peak resident set in MB
  /usr/bin/time -f "%M" -o "$WORK/time.txt" "$@" >/dev/null
  awk '{ printf "%.1f", $1 / 1024 }' "$WORK/time.txt"
}

row() { # FILE OPERATION SECONDS CP_SECONDS PEAK_MB
  printf '%-6s %-34s %8.3f s %8.3f s %7.2f %9s MB\n' "$1" "$2" "$3" "$4" "$(awk "BEGIN { print $3 / $4 }")" "$5"
}

bench() { # NAME FRAMES VIDEO_BYTES
  local name=$1 in=$WORK/$1.avi
  python3 "$HERE/bench_split.py" "$in" "$2" "$3"
  local half
  half=$(awk "BEGIN { print $2 * 0.04 / 2 }")
  "$TAVRIN" split "$in" --seconds "$half" --overlap 5 >/dev/null
  local p1=$WORK/$name-1.avi p2=$WORK/$name-2.avi joined=$WORK/$name-m.avi
  cat "$in" "$p1" "$p2" >/dev/null  # into the page cache
  local cp_parts merge write cp_in sized mb same
  cp_parts=$(median "$WORK/copy-*.avi" bash -c 'cp "$0" "$2/copy-1.avi" && cp "$1" "$2/copy-2.avi"' "$p1" "$p2" "$WORK")
  merge=$(median "$joined" "$TAVRIN" merge "$p1" "$p2" --write)
  cmp -s "$in" "$joined" && same="= input" || same="differs from input"
  mb=$(peak_mb "$TAVRIN" merge "$p1" "$p2" --write)
  local writes=()
  for _ in $(seq "$ROUNDS"); do
    rm -f "$joined"
    sync
    writes+=("$("$WORK/write_phase" "$p1" "$p2" "$joined")")
  done
  write=$(printf '%s\n' "${writes[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  row "$name" "cp of both parts" "$cp_parts" "$cp_parts" "-"
  row "$name" "merge --write ($same)" "$merge" "$cp_parts" "$mb"
  row "$name" "  of which writing the joined file" "$write" "$cp_parts" "-"
  rm -f "$joined" "$WORK"/copy-*.avi
  local size_mb
  size_mb=$(awk "BEGIN { printf \"%d\", $(stat -c %s "$in") / 1048576 / 3 }")
  cp_in=$(median "$WORK/copy-1.avi" cp "$in" "$WORK/copy-1.avi")
  sized=$(median "$p1 $p2" "$TAVRIN" split "$in" --size-mb "$size_mb" --overlap 5)
  mb=$(peak_mb "$TAVRIN" split "$in" --size-mb "$size_mb" --overlap 5)
  row "$name" "cp of the input" "$cp_in" "$cp_in" "-"
  row "$name" "split --size-mb $size_mb --overlap 5" "$sized" "$cp_in" "$mb"
  rm -f "$in" "$p1" "$p2" "$WORK"/copy-*.avi
}

echo "tavrin joined-file benchmark in $WORK (median of $ROUNDS; files in page cache)"
printf '%-6s %-34s %10s %10s %7s %12s\n' file operation median cp ratio "peak memory"
bench large 3400 300000
bench small 150000 600
