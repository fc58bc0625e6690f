#!/usr/bin/env bash
# Detection benchmark: `tavrin detect` against FFmpeg's own filters on a
# 10-minute 640x480 MPEG-4 Visual recording with 16-bit PCM sound (moving
# test pictures with black stretches and silences every minute), made once
# into ${TAVRIN_CACHE:-~/.cache/tavrin}/bench (about 110 MB). Prints one
# table (median of ROUNDS runs, peak memory) and whether both found the
# same ranges. Goal: `--black --silence` in at most half ffmpeg's time.
# Usage: tools/bench_detect.sh [TAVRIN_BINARY]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
[ -x "$TAVRIN" ] || { echo "bench_detect: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_detect: /usr/bin/time is needed (package time)" >&2; exit 1; }
CACHE=${TAVRIN_CACHE:-$HOME/.cache/tavrin}/bench
mkdir -p "$CACHE"
FILE=$CACHE/detect-10min-640x480-mpeg4-pcm.avi

# Black from 20 to 22 s of every minute, silence from 40 to 41.5 s.
if [ ! -s "$FILE" ]; then
  ffmpeg -nostdin -v error -y \
    -f lavfi -i "testsrc2=size=640x480:rate=25:duration=600,drawbox=c=black:t=fill:enable='between(mod(t,60),20,21.99)'" \
    -f lavfi -i "aevalsrc='if(between(mod(t,60),40,41.5),0,0.4*sin(2*PI*440*t))':s=48000:c=stereo:d=600" \
    -c:v mpeg4 -q:v 4 -c:a pcm_s16le -f avi "$FILE.part"
  mv "$FILE.part" "$FILE"
fi
cat "$FILE" >/dev/null  # into the page cache

FFMPEG=(ffmpeg -nostdin -i "$FILE" -vf blackdetect=d=0.5:pix_th=0.10 -af silencedetect=n=-50dB:d=0.5 -f null -)
read -r ref kref < <(bench_measure "" "${FFMPEG[@]}")
read -r both kboth < <(bench_measure "" "$TAVRIN" detect "$FILE" --black --silence)
read -r all kall < <(bench_measure "" "$TAVRIN" detect "$FILE")

printf '| %-44s | %9s | %15s | %8s |\n' command "median s" "ratio to ffmpeg" "peak MB"
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..46})" "-----------" "-----------------" "----------"
row() { printf '| %-44s | %9.3f | %15.2f | %8.1f |\n' "$1" "$2" "$(awk "BEGIN { print $2 / $ref }")" "$(awk "BEGIN { print $3 / 1024 }")"; }
row "ffmpeg blackdetect + silencedetect" "$ref" "$kref"
row "tavrin detect --black --silence" "$both" "$kboth"
row "tavrin detect (black, silence, scenes)" "$all" "$kall"
echo "($ROUNDS rounds each, $(bench_priority), $(nproc) cores; goal: --black --silence at most 0.50 of ffmpeg)"

# The same ranges from both, to the millisecond.
ours=$("$TAVRIN" detect "$FILE" --black --silence --json | python3 -c '
import json, sys
d = json.load(sys.stdin)
print(" ".join("%s:%.3f-%.3f" % (k, r["start_seconds"], r["end_seconds"]) for k in ("black", "silence") for r in d[k]))')
theirs=$("${FFMPEG[@]}" 2>&1 | python3 -c '
import re, sys
t = sys.stdin.read()
b = ["black:%.3f-%.3f" % (float(s), float(e)) for s, e in re.findall(r"black_start:([\d.]+) black_end:([\d.]+)", t)]
st = re.findall(r"silence_start: ([\d.]+)", t); en = re.findall(r"silence_end: ([\d.]+)", t)
print(" ".join(b + ["silence:%.3f-%.3f" % (float(s), float(e)) for s, e in zip(st, en)]))')
if [ "$ours" = "$theirs" ]; then echo "same ranges as ffmpeg: $(wc -w <<<"$ours")"
else echo "ranges differ:"; echo "  tavrin: $ours"; echo "  ffmpeg: $theirs"; fi
