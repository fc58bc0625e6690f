#!/usr/bin/env bash
# Split benchmark: `tavrin split` writing both halves (no overlap), into
# pieces (`--every` 60 s, `--size-mb 64 --all`) and `tavrin info` against
# `cp` of the input, on two generated files: 625 MB of
# large chunks (MPEG-4-like video at ~3 Mbit/s plus PCM, 57,500 chunks) and
# 88 MB of ~177,000 small chunks. Prints one table (tools/bench_lib.sh).
# Goals: split (two halves or pieces) <= 1.1 x cp with peak memory < 16 MB;
# info <= 0.1 x cp. The split flushes its outputs to the device before it
# moves them into place: in a work folder on a disk (not tmpfs) its reference
# is therefore `cp && sync` of the copy, which the table adds.
# Usage: tools/bench_split.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~1.5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
WORK=$(bench_workdir "${2:-}" 1600000 tavrin-split-bench)
FS=$(df -PT "$WORK" | awk 'NR == 2 { print $2 }')
if [ "$FS" != tmpfs ]; then export BENCH_SYNC=1; fi
trap 'rm -f "$WORK"/large*.avi "$WORK"/small*.avi "$WORK"/copy.avi; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_split: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_split: /usr/bin/time is needed (package time)" >&2; exit 1; }

bench() { # NAME FRAMES VIDEO_BYTES AUDIO_BYTES
  local name=$1 in=$WORK/$1.avi
  python3 "$HERE/bench_split.py" "$in" "$2" "$3" "$4"
  local label seconds cp cpk t k
  label="$name $(($(stat -c %s "$in") / 1000000)) MB, $(($2 * 2)) chunks"
  seconds=$(awk "BEGIN { print $2 * 0.04 / 2 }")  # the middle, at 25 fps
  cat "$in" >/dev/null  # into the page cache
  read -r cp cpk < <(bench_measure "$WORK/copy.avi" cp "$in" "$WORK/copy.avi")
  bench_row "$label" "cp" "$cp" "$cp" "$cpk"
  local ref=$cp
  if [ "$FS" != tmpfs ]; then
    read -r ref t < <(bench_measure "$WORK/copy.avi" sh -c 'cp "$1" "$2" && sync "$2"' sh "$in" "$WORK/copy.avi")
    bench_row "$label" "cp && sync (the reference)" "$ref" "$cp" "$t"
  fi
  read -r t k < <(bench_measure "$WORK/$name-1.avi $WORK/$name-2.avi" "$TAVRIN" split "$in" --seconds "$seconds")
  bench_row "$label" "split, both outputs" "$t" "$ref" "$k"
  read -r t k < <(bench_measure "$WORK/$name-*.avi" "$TAVRIN" split "$in" --every 60)
  bench_row "$label" "split --every 60" "$t" "$ref" "$k"
  read -r t k < <(bench_measure "$WORK/$name-*.avi" "$TAVRIN" split "$in" --size-mb 64 --all)
  bench_row "$label" "split --size-mb 64 --all" "$t" "$ref" "$k"
  read -r t k < <(bench_measure "" "$TAVRIN" info "$in")
  bench_row "$label" "info (the walk)" "$t" "$cp" "$k"
  rm -f "$in"
}

echo "tavrin split benchmark: $(nproc) cores, $(uname -r), work folder $WORK ($FS), median of $ROUNDS, $(bench_priority)"
[ "$FS" = tmpfs ] || echo "(on a disk: the splits' ratios are to cp && sync, each run starts after a sync)"
bench_header
bench large 28750 14700 7056
bench small 88594 600 384
