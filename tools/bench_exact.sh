#!/usr/bin/env bash
# Exact cut benchmark: `tavrin cut --exact` keeping four ranges of a 640x480
# MPEG-4 Visual recording with 250-frame key-frame groups and PCM sound
# (each range starting and ending inside a group: four seams re-encoded,
# each checked by decoding), against `cp && sync` of the whole file; then
# one range whose head is a whole group less one frame (249 frames made
# anew) against the same range cut on key frames, for one seam's cost.
# Prints one table (tools/bench_lib.sh). Goals: four ranges within 1.5 x
# cp && sync; one seam within 0.5 s; peak memory fixed whatever the length.
# Usage: tools/bench_exact.sh [TAVRIN_BINARY] [WORKDIR] [SECONDS (default 1000: ~620 MB)]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
SECONDS_LONG=${3:-1000}
WORK=$(bench_workdir "${2:-}" 1500000 tavrin-exact-bench)
export BENCH_SYNC=1
trap 'rm -f "$WORK"/exact*.avi "$WORK"/copy.avi; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_exact: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_exact: /usr/bin/time is needed (package time)" >&2; exit 1; }

in=$WORK/exact.avi
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$SECONDS_LONG" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$SECONDS_LONG" \
  -c:v mpeg4 -g 250 -b:v 4800k -vtag XVID -c:a pcm_s16le "$in"
label="exact $(($(stat -c %s "$in") / 1000000)) MB"
len=$SECONDS_LONG
# Four ranges, each from 0.04 s after a key frame to the middle of a group
# (the worst case: each seam makes 249 frames anew); then four ranges whose
# starts lie 1.04, 3.54, 6.04 and 8.54 s into their groups (224, 161, 99 and
# 36 frames made: seams spread over the group as cuts fall).
ranges=() spread=()
for j in 0 1 2 3; do
  from=$(awk "BEGIN { printf \"%.2f\", ($j * $len / 4) - ($j * $len / 4) % 10 + 10.04 }")
  to=$(awk "BEGIN { printf \"%.2f\", $from + $len / 8 + 5 }")
  ranges+=(--keep "$from-$to")
  from=$(awk "BEGIN { printf \"%.2f\", $from - 0.04 + 1.04 + 2.5 * $j }")
  spread+=(--keep "$from-$to")
done
cat "$in" >/dev/null  # into the page cache

echo "tavrin cut --exact benchmark: $(nproc) cores, $(uname -r), work folder $WORK, median of $ROUNDS, $(bench_priority)"
bench_header
read -r cp cpk < <(bench_measure "$WORK/copy.avi" sh -c 'cp "$1" "$2" && sync' cp "$in" "$WORK/copy.avi")
bench_row "$label" "cp && sync of the file" "$cp" "$cp" "$cpk"
read -r t k < <(bench_measure "$WORK/exact-c.avi" "$TAVRIN" cut "$in" "${ranges[@]}" --output "$WORK/exact-c.avi")
bench_row "$label" "cut, 4 ranges on key frames" "$t" "$cp" "$k"
read -r t k < <(bench_measure "$WORK/exact-c.avi" "$TAVRIN" cut "$in" "${ranges[@]}" --exact --output "$WORK/exact-c.avi")
bench_row "$label" "cut --exact, 4 ranges (4 seams)" "$t" "$cp" "$k"
read -r t k < <(bench_measure "$WORK/exact-c.avi" "$TAVRIN" cut "$in" "${spread[@]}" --exact --output "$WORK/exact-c.avi")
bench_row "$label" "cut --exact, 4 ranges, seams spread" "$t" "$cp" "$k"
read -r kf kfk < <(bench_measure "$WORK/exact-c.avi" "$TAVRIN" cut "$in" --keep 10.04-30 --output "$WORK/exact-c.avi")
bench_row "$label" "cut 10.04-30 on key frames" "$kf" "$kf" "$kfk"
read -r t k < <(bench_measure "$WORK/exact-c.avi" "$TAVRIN" cut "$in" --keep 10.04-30 --exact --output "$WORK/exact-c.avi")
bench_row "$label" "cut --exact 10.04-30 (249 made)" "$t" "$kf" "$k"
echo "one seam (249 frames made anew and checked): $(awk "BEGIN { printf \"%.3f\", $t - $kf }") s;" \
  "goals: four ranges <= 1.5 x cp && sync, one seam <= 0.5 s"
