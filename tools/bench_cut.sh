#!/usr/bin/env bash
# Cut benchmark: `tavrin cut` keeping ten ranges of the 625 MB generated file
# (MPEG-4-like video at ~3 Mbit/s plus PCM, 57,500 chunks; tools/bench_split.py)
# into one file and into a file per range, against `cp` of the kept bytes
# (a file of the same size), beside the many-piece split of the whole file
# against cp of the whole file;
# then 1,000 kept ranges into one file, for its memory. Prints one table
# (tools/bench_lib.sh). Goals: ten ranges no slower than the many-piece
# split for the bytes written (<= 1.1 x cp of the kept bytes where the split
# is), peak memory < 16 MB whatever the number of ranges.
# Usage: tools/bench_cut.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~1.5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
WORK=$(bench_workdir "${2:-}" 1600000 tavrin-cut-bench)
FS=$(df -PT "$WORK" | awk 'NR == 2 { print $2 }')
if [ "$FS" != tmpfs ]; then export BENCH_SYNC=1; fi
trap 'rm -f "$WORK"/large*.avi "$WORK"/copy.avi "$WORK"/kept.bin "$WORK"/*.txt; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_cut: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_cut: /usr/bin/time is needed (package time)" >&2; exit 1; }

in=$WORK/large.avi
python3 "$HERE/bench_split.py" "$in" 28750 14700 7056  # 1,150 s at 25 fps
label="large $(($(stat -c %s "$in") / 1000000)) MB"
# Ten ranges of 50 s, one every 110 s: about 45% of the file kept.
python3 -c "print('\n'.join(f'{j * 110 + 5}-{j * 110 + 55}' for j in range(10)))" >"$WORK/ten.txt"
python3 -c "print('\n'.join(f'{j * 1.1:.2f}-{j * 1.1 + 0.3:.2f}' for j in range(1000)))" >"$WORK/thousand.txt"
cat "$in" >/dev/null  # into the page cache
"$TAVRIN" cut "$in" --list "$WORK/ten.txt" --output "$WORK/large-c.avi" >/dev/null
kept=$(stat -c %s "$WORK/large-c.avi")
rm -f "$WORK/large-c.avi"
head -c "$kept" "$in" >"$WORK/kept.bin"  # the reference copies a file of the kept size

echo "tavrin cut benchmark: $(nproc) cores, $(uname -r), work folder $WORK ($FS), median of $ROUNDS, $(bench_priority)"
bench_header
read -r cp cpk < <(bench_measure "$WORK/copy.avi" cp "$WORK/kept.bin" "$WORK/copy.avi")
bench_row "$label" "cp of the kept $((kept / 1000000)) MB" "$cp" "$cp" "$cpk"
ref=$cp
if [ "$FS" != tmpfs ]; then
  read -r ref t < <(bench_measure "$WORK/copy.avi" sh -c 'cp "$1" "$2" && sync "$2"' sh "$WORK/kept.bin" "$WORK/copy.avi")
  bench_row "$label" "cp && sync (the reference)" "$ref" "$cp" "$t"
fi
read -r t k < <(bench_measure "$WORK/large-c.avi" "$TAVRIN" cut "$in" --list "$WORK/ten.txt")
bench_row "$label" "cut, 10 ranges, one file" "$t" "$ref" "$k"
read -r t k < <(bench_measure "$WORK/large-[0-9]*.avi" "$TAVRIN" cut "$in" --list "$WORK/ten.txt" --separate)
bench_row "$label" "cut, 10 ranges, --separate" "$t" "$ref" "$k"
read -r t k < <(bench_measure "$WORK/large-c.avi" "$TAVRIN" cut "$in" --list "$WORK/thousand.txt")
bench_row "$label" "cut, 1,000 ranges, one file" "$t" "$ref" "$k"
# The many-piece split of the whole file, against cp of the whole file: the
# ratio the cut's is to match.
read -r whole t < <(bench_measure "$WORK/copy.avi" cp "$in" "$WORK/copy.avi")
bench_row "$label" "cp of the whole file" "$whole" "$whole" "$t"
if [ "$FS" != tmpfs ]; then
  read -r whole t < <(bench_measure "$WORK/copy.avi" sh -c 'cp "$1" "$2" && sync "$2"' sh "$in" "$WORK/copy.avi")
  bench_row "$label" "cp && sync of the whole file" "$whole" "$whole" "$t"
fi
read -r t k < <(bench_measure "$WORK/large-[0-9]*.avi" "$TAVRIN" split "$in" --every 115)
bench_row "$label" "split --every 115 (the whole file)" "$t" "$whole" "$k"
