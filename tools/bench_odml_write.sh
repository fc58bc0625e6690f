#!/usr/bin/env bash
# OpenDML writing benchmark: makes a 1.3 GB version-1 AVI (4,200 frames of
# ~300 KB with PCM, tools/bench_split.py), splits it in half with a 5-second
# overlap, then times `tavrin merge --write` of the two parts, whose joined
# file (1.3 GB, past 1 GiB) is written as OpenDML, against `cp` of the same
# two parts; and `tavrin split` of the input whose second output is past
# 1 GiB against `cp` of the input. Files in the page cache. Prints one table
# row per command: median of ROUNDS (5) runs, ratio to cp, peak resident
# memory. Goal: <= 1.2 x cp, < 16 MB.
# Usage: tools/bench_odml_write.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~5.5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
. "$HERE/bench_lib.sh"
WORK=$(bench_workdir "${2:-}" 5800000 tavrin-odml-write)
trap 'rm -f "$WORK"/*.avi; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_odml_write: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_odml_write: /usr/bin/time is needed (package time)" >&2; exit 1; }

in=$WORK/clip.avi
python3 "$HERE/bench_split.py" "$in" 4200 300000
"$TAVRIN" split "$in" --seconds 84 --overlap 5 >/dev/null
p1=$WORK/clip-1.avi p2=$WORK/clip-2.avi joined=$WORK/clip-m.avi
cat "$in" "$p1" "$p2" >/dev/null  # into the page cache

echo "tavrin OpenDML writing benchmark in $WORK (median of $ROUNDS; files in page cache)"
bench_header
read -r cp_parts cp_kb < <(bench_measure "$WORK/copy-*.avi" bash -c 'cp "$0" "$2/copy-1.avi" && cp "$1" "$2/copy-2.avi"' "$p1" "$p2" "$WORK")
read -r merge merge_kb < <(bench_measure "$joined" "$TAVRIN" merge "$p1" "$p2" --write)
"$TAVRIN" merge "$p1" "$p2" --write >/dev/null
joined_bytes=$(stat -c %s "$joined")
rm -f "$joined"
bench_row "2 parts -> $joined_bytes B" "cp of both parts" "$cp_parts" "$cp_parts" "$cp_kb"
bench_row "2 parts -> $joined_bytes B" "merge --write (OpenDML)" "$merge" "$cp_parts" "$merge_kb"

rm -f "$p1" "$p2"
read -r cp_in cp_in_kb < <(bench_measure "$WORK/copy-1.avi" cp "$in" "$WORK/copy-1.avi")
read -r split split_kb < <(bench_measure "$p1 $p2" "$TAVRIN" split "$in" --seconds 10 --overlap 5)
in_bytes=$(stat -c %s "$in")
bench_row "$in_bytes B" "cp of the input" "$cp_in" "$cp_in" "$cp_in_kb"
bench_row "$in_bytes B" "split at 10 s (2nd: OpenDML)" "$split" "$cp_in" "$split_kb"
