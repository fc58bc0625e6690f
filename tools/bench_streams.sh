#!/usr/bin/env bash
# Stream work benchmark on the 625 MB generated file (MPEG-4-like video at
# ~3 Mbit/s plus PCM, 57,500 chunks; tools/bench_split.py), each command
# against `cp` of the file it writes:
#   extract --stream 1     the PCM sound as a WAV
#   streams --drop 1       the file without its sound
#   dub --replace 1        three hours of 48 kHz stereo PCM into a file of
#                          three hours of video
# Prints one table (tools/bench_lib.sh). Goals: extract and streams --drop
# <= 1.1 x cp of the bytes written, dub <= 1.2 x, peak memory < 16 MB.
# Usage: tools/bench_streams.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~8 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
WORK=$(bench_workdir "${2:-}" 8000000 tavrin-streams-bench)
FS=$(df -PT "$WORK" | awk 'NR == 2 { print $2 }')
if [ "$FS" != tmpfs ]; then export BENCH_SYNC=1; fi
trap 'rm -f "$WORK"/*.avi "$WORK"/*.wav "$WORK"/*.bin; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_streams: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_streams: /usr/bin/time is needed (package time)" >&2; exit 1; }

echo "tavrin stream work benchmark: $(nproc) cores, $(uname -r), work folder $WORK ($FS), median of $ROUNDS, $(bench_priority)"
bench_header

# cp of OUTPUT itself (made once beforehand), the reference of the row after it.
reference() { # LABEL OUTPUT
  mv "$2" "$WORK/same.bin"
  read -r ref k < <(bench_measure "$WORK/copy.bin" cp "$WORK/same.bin" "$WORK/copy.bin")
  bench_row "$1" "cp of $(($(stat -c %s "$WORK/same.bin") / 1000000)) MB" "$ref" "$ref" "$k"
  rm -f "$WORK/same.bin" "$WORK/copy.bin"
}

in=$WORK/large.avi
python3 "$HERE/bench_split.py" "$in" 28750 14700 7056
label="large $(($(stat -c %s "$in") / 1000000)) MB"
cat "$in" >/dev/null  # into the page cache
"$TAVRIN" extract "$in" --stream 1 --output "$WORK/x.wav" >/dev/null
reference "$label" "$WORK/x.wav"
read -r t k < <(bench_measure "$WORK/x.wav" "$TAVRIN" extract "$in" --stream 1 --output "$WORK/x.wav")
bench_row "$label" "extract --stream 1 (PCM)" "$t" "$ref" "$k"
"$TAVRIN" streams "$in" --drop 1 --output "$WORK/s.avi" >/dev/null
reference "$label" "$WORK/s.avi"
read -r t k < <(bench_measure "$WORK/s.avi" "$TAVRIN" streams "$in" --drop 1 --output "$WORK/s.avi")
bench_row "$label" "streams --drop 1" "$t" "$ref" "$k"
rm -f "$in"

# Three hours of video (with a token sound track, 4 bytes a frame), its sound
# replaced by three hours of 48 kHz stereo PCM.
python3 "$HERE/bench_split.py" "$WORK/long.avi" 270000 1400 4
python3 - "$WORK/sound.wav" <<'PY'
import struct, sys
rate, seconds = 48000, 3 * 3600
data = rate * 4 * seconds
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + data) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 2, rate, rate * 4, 4, 16))
    f.write(b"data" + struct.pack("<I", data))
    block = bytes(range(256)) * 4096
    for _ in range(data // len(block)):
        f.write(block)
    f.write(block[: data % len(block)])
PY
in=$WORK/long.avi
label="3 h video + 3 h WAV"
cat "$in" "$WORK/sound.wav" >/dev/null
"$TAVRIN" dub "$in" "$WORK/sound.wav" --replace 1 --output "$WORK/d.avi" >/dev/null
reference "$label" "$WORK/d.avi"
read -r t k < <(bench_measure "$WORK/d.avi" "$TAVRIN" dub "$in" "$WORK/sound.wav" --replace 1 --output "$WORK/d.avi")
bench_row "$label" "dub --replace 1 (PCM)" "$t" "$ref" "$k"
