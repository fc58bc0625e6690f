#!/usr/bin/env bash
# Join benchmark: cuts a ~1 GB AVI into four pieces with the two-way split
# (no overlap), then times `tavrin join` of the four pieces and `tavrin
# merge` of them with --write (the merge of many: every seam's overlap
# looked for, the sound at each seam joined again) against `cp` of the same
# bytes (cat of the four pieces into one file). Prints one table
# (tools/bench_lib.sh). Goal: both <= 1.2 x cp, with fixed memory.
# Files: "large" (3,400 frames of ~300 KB with PCM) and "small" (150,000
# frames of ~600 bytes with PCM: 300,000 chunks).
# Usage: tools/bench_join.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~4 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
WORK=$(bench_workdir "${2:-}" 4500000 tavrin-join-bench)
trap 'rm -f "$WORK"/*.avi; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_join: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_join: /usr/bin/time is needed (package time)" >&2; exit 1; }

# Cuts FILE (FRAMES frames at 25 a second) in two at the middle: FILE-1.avi, FILE-2.avi.
halve() { # FILE FRAMES
  "$TAVRIN" split "$1" --seconds "$(awk "BEGIN { print $2 * 0.04 / 2 }")" >/dev/null
  rm -f "$1"
}

bench() { # NAME FRAMES VIDEO_BYTES
  local name=$1 in=$WORK/$1.avi
  python3 "$HERE/bench_split.py" "$in" "$2" "$3"
  local label="$name $(($(stat -c %s "$in") / 1000000)) MB, $(($2 * 2)) chunks"
  cp "$in" "$WORK/original.avi"
  halve "$in" "$2"
  halve "$WORK/$name-1.avi" $(($2 / 2))
  halve "$WORK/$name-2.avi" $(($2 / 2))
  local pieces=("$WORK/$name-1-1.avi" "$WORK/$name-1-2.avi" "$WORK/$name-2-1.avi" "$WORK/$name-2-2.avi")
  cat "${pieces[@]}" >/dev/null  # into the page cache
  local cp cpk t k same
  read -r cp cpk < <(bench_measure "$WORK/copy.avi" sh -c 'cat "$@" > "$0"' "$WORK/copy.avi" "${pieces[@]}")
  bench_row "$label" "cp of the 4 pieces (cat)" "$cp" "$cp" "$cpk"
  read -r t k < <(bench_measure "$WORK/joined.avi" "$TAVRIN" join "${pieces[@]}" --output "$WORK/joined.avi")
  bench_row "$label" "join of the 4 pieces" "$t" "$cp" "$k"
  "$TAVRIN" merge "${pieces[@]}" --write --output "$WORK/merged.avi" >/dev/null
  cmp -s "$WORK/original.avi" "$WORK/merged.avi" && same="= input" || same="differs from input"
  read -r t k < <(bench_measure "$WORK/merged.avi" "$TAVRIN" merge "${pieces[@]}" --write --output "$WORK/merged.avi")
  bench_row "$label" "merge of the 4 pieces ($same)" "$t" "$cp" "$k"
  rm -f "$WORK"/*.avi
}

echo "tavrin join benchmark: $(nproc) cores, $(uname -r), work folder $WORK ($(df -PT "$WORK" | awk 'NR == 2 { print $2 }')), median of $ROUNDS, $(bench_priority)"
bench_header
bench large 3400 300000
bench small 150000 600
