#!/usr/bin/env bash
# OpenDML reading benchmark: makes ffmpeg files of raw 640x480 video with PCM
# (52 s: 1.2 GB in two RIFF lists; 183 s: 4.2 GB in four), warms the page
# cache, and prints per file: today's version-1 walk (under 4 GiB), the
# OpenDML reader checking every entry, streaming the flattened view against a
# plain read of the file, the checkpoints kept and the peak resident memory.
# Goal: reading costs no more than the walk; the view streams near copy speed.
# The program, tools/bench_odml.cpp, is the build tree's target bench_odml.
# Usage: tools/bench_odml.sh [BUILD_DIR] [WORKDIR] [SECONDS...]   (needs ~6 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(realpath "${1:-$HERE/../build/native}")
WORK=${2:-$(mktemp -d "${TMPDIR:-/tmp}/tavrin-odml.XXXXXX")}
shift $(($# < 2 ? $# : 2))
DURATIONS=("${@:-52 183}")
mkdir -p "$WORK"
trap 'rm -f "$WORK"/odml-*.avi' EXIT
cmake --build "$BUILD" --target bench_odml >/dev/null
echo "| file | bytes | RIFF lists | chunks | v1 walk s | OpenDML read s | view stream s | plain read s | checkpoints | peak MB |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for t in ${DURATIONS[*]}; do
  f=$WORK/odml-$t.avi
  ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t "$t" -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$f"
  cat "$f" >/dev/null
  "$BUILD/bench_odml" "$f"
  rm -f "$f"
done
