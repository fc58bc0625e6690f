#!/usr/bin/env bash
# Frame benchmark: `tavrin frame` as a whole process (open, analysis,
# decoding from the key frame before the frame, PNG written and moved into
# place) on 640x480 clips with 250-frame key-frame groups: MPEG-4 Visual
# without and with B-frames, packed B-frames (a DX50 clip packed by
# tests/cli/test_frame_cli.py's packer) and H.264. The worst frame of a
# group is its last (249 chunks decoded after the key frame); the key frame
# itself is the best. Prints one table (median of ROUNDS runs, peak memory).
# Goal: the last frame of a group within 0.5 s.
# Usage: tools/bench_frame.sh [TAVRIN_BINARY] [WORKDIR]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
WORK=$(bench_workdir "${2:-}" 200000 tavrin-frame-bench)
trap 'rm -f "$WORK"/*.avi "$WORK"/*.png; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_frame: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_frame: /usr/bin/time is needed (package time)" >&2; exit 1; }

FF=(ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=20)
"${FF[@]}" -c:v mpeg4 -g 250 -q:v 4 "$WORK/mpeg4.avi"
"${FF[@]}" -c:v mpeg4 -g 250 -bf 2 -q:v 4 "$WORK/mpeg4-bframes.avi"
"${FF[@]}" -c:v mpeg4 -g 250 -bf 2 -q:v 4 -vtag DX50 "$WORK/unpacked.avi"
(cd "$HERE/../tests/cli" && python3 -c '
import sys, test_frame_cli as t
t.pack_bframes(sys.argv[1], sys.argv[2], b"")' "$WORK/unpacked.avi" "$WORK/mpeg4-packed.avi") 2>/dev/null ||
  { echo "bench_frame: the packer failed" >&2; exit 1; }
"${FF[@]}" -c:v libx264 -g 250 -bf 3 -preset fast "$WORK/h264-bframes.avi"

printf '| %-20s | %-26s | %9s | %8s |\n' file frame "median s" "peak MB"
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..22})" "$(printf -- '-%.0s' {1..28})" -----------  ----------
for clip in mpeg4 mpeg4-bframes mpeg4-packed h264-bframes; do
  for case in "250:key frame (250)" "124:mid-group (124)" "249:last of group 1 (249)" "499:last of group 2 (499)"; do
    n=${case%%:*}
    read -r t k < <(bench_measure "$WORK/*.png" "$TAVRIN" frame "$WORK/$clip.avi" --frame "$n" --output "$WORK/f.png")
    printf '| %-20s | %-26s | %9s | %8s |\n' "$clip" "${case#*:}" "$t" "$((k / 1024))"
  done
done
echo "($ROUNDS rounds each, $(bench_priority); goal: the last frame of a group within 0.5 s)"
