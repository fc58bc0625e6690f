#!/usr/bin/env bash
# Joined-file benchmark: splits a ~1 GB AVI with a 5-second overlap, then
# times `tavrin merge --write` of the two parts (analyses, overlap search,
# plan and the joined file) and the writing of the joined file alone (timed
# inside tools/bench_merge_write_phase.cpp, the target bench_merge_write_phase
# of the build tree) against `cp` of the same two parts, and `tavrin split
# --size-mb` against `cp` of the input. Prints one table (tools/bench_lib.sh).
# Goal: writing the joined file <= 1.2 x cp, < 16 MB.
# Files: "large" (3,400 frames of ~300 KB with PCM) and "small" (150,000
# frames of ~600 bytes with PCM: 300,000 chunks).
# Usage: tools/bench_merge_write.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
WORK=$(bench_workdir "${2:-}" 5500000 tavrin-write-bench)
trap 'rm -f "$WORK"/*.avi "$WORK"/phase.txt; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_merge_write: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_merge_write: /usr/bin/time is needed (package time)" >&2; exit 1; }
BUILD=$(dirname "$TAVRIN")
[ -f "$BUILD/CMakeCache.txt" ] || { echo "bench_merge_write: $TAVRIN lies in no build tree" >&2; exit 1; }
cmake --build "$BUILD" --target bench_merge_write_phase >/dev/null

# "MEDIAN_SECONDS PEAK_KB" of the write phase: its own time, the whole program's peak.
write_phase() { # FIRST SECOND JOINED
  local times=() peak=0 out
  for _ in $(seq "$ROUNDS"); do
    rm -f "$3"
    out=$(/usr/bin/time -o "$WORK/phase.txt" -f "%M" "${BENCH_PREFIX[@]}" "$BUILD/bench_merge_write_phase" "$@")
    times+=("$out")
    [ "$(tail -n 1 "$WORK/phase.txt")" -gt "$peak" ] && peak=$(tail -n 1 "$WORK/phase.txt")
  done
  rm -f "$3"
  printf '%s\n' "${times[@]}" | sort -n | awk -v p="$peak" '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)], p }'
}

bench() { # NAME FRAMES VIDEO_BYTES
  local name=$1 in=$WORK/$1.avi
  python3 "$HERE/bench_split.py" "$in" "$2" "$3"
  "$TAVRIN" split "$in" --seconds "$(awk "BEGIN { print $2 * 0.04 / 2 }")" --overlap 5 >/dev/null
  local p1=$WORK/$name-1.avi p2=$WORK/$name-2.avi joined=$WORK/$name-m.avi label same
  label="$name $(($(stat -c %s "$in") / 1000000)) MB, $(($2 * 2)) chunks"
  cat "$in" "$p1" "$p2" >/dev/null  # into the page cache
  local cp cpk t k
  read -r cp cpk < <(bench_measure "$WORK/copy*.avi" sh -c 'cp "$1" "$3" && cp "$2" "$4"' - "$p1" "$p2" \
    "$WORK/copy1.avi" "$WORK/copy2.avi")
  bench_row "$label" "cp of both parts" "$cp" "$cp" "$cpk"
  "$TAVRIN" merge "$p1" "$p2" --write >/dev/null
  cmp -s "$in" "$joined" && same="= input" || same="differs from input"
  read -r t k < <(bench_measure "$joined" "$TAVRIN" merge "$p1" "$p2" --write)
  bench_row "$label" "merge --write ($same)" "$t" "$cp" "$k"
  read -r t k < <(write_phase "$p1" "$p2" "$joined")
  bench_row "$label" "  of which writing the joined file" "$t" "$cp" "$k"
  local size_mb
  size_mb=$(awk "BEGIN { printf \"%d\", $(stat -c %s "$in") / 1048576 / 3 }")
  rm -f "$p1" "$p2"
  read -r cp cpk < <(bench_measure "$WORK/copy*.avi" cp "$in" "$WORK/copy1.avi")
  bench_row "$label" "cp of the input" "$cp" "$cp" "$cpk"
  read -r t k < <(bench_measure "$p1 $p2" "$TAVRIN" split "$in" --size-mb "$size_mb" --overlap 5)
  bench_row "$label" "split --size-mb $size_mb --overlap 5" "$t" "$cp" "$k"
  rm -f "$in" "$p1" "$p2"
}

echo "tavrin joined-file benchmark: $(nproc) cores, $(uname -r), work folder $WORK ($(df -PT "$WORK" | awk 'NR == 2 { print $2 }')), median of $ROUNDS, $(bench_priority)"
bench_header
bench large 3400 300000
bench small 150000 600
