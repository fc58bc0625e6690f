#!/usr/bin/env bash
# Split benchmark: times `cp` of a ~1 GB AVI against `tavrin split` writing
# both halves, with the input in the page cache, and reports the ratio and the
# split's peak memory. Two files: a few thousand large chunks, and ~300,000
# small ones (a 100-minute low-bitrate file). Goal: ratio <= 1.2, < 16 MB.
# Usage: tools/bench_split.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~4 GB free)
# Without WORKDIR the files go to /dev/shm when it has room: memory-backed,
# so neither cp nor the split waits for the disk's write-back.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TAVRIN=$(realpath "${1:-$HERE/../build/tavrin}")
if [ -n "${2:-}" ]; then
  WORK=$2
elif [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt 4500000 ]; then
  WORK=$(mktemp -d /dev/shm/tavrin-bench.XXXXXX)
else
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-bench.XXXXXX")
fi
ROUNDS=${ROUNDS:-3}
mkdir -p "$WORK"
trap 'rm -f "$WORK"/large*.avi "$WORK"/small*.avi "$WORK"/copy.avi; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_split: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_split: /usr/bin/time is needed (package time)" >&2; exit 1; }

# Best of ROUNDS for a command: "WALL CPU" in seconds (CPU = user + system,
# which a busy machine disturbs less than the wall clock). Outputs are removed
# and dirty pages written back before each round so that every run starts alike.
best() { # CLEANUP_GLOB COMMAND...
  local clean=$1 wall= cpu= w c
  shift
  for _ in $(seq "$ROUNDS"); do
    rm -f $clean
    sync
    /usr/bin/time -f "%e %U %S" -o "$WORK/time.txt" "$@" >/dev/null
    read -r w u s <"$WORK/time.txt"
    c=$(awk "BEGIN { print $u + $s }")
    if [ -z "$wall" ] || awk "BEGIN { exit !($w < $wall) }"; then wall=$w; fi
    if [ -z "$cpu" ] || awk "BEGIN { exit !($c < $cpu) }"; then cpu=$c; fi
  done
  rm -f "$WORK/time.txt"
  echo "$wall $cpu"
}

bench() { # NAME FRAMES VIDEO_BYTES
  local name=$1 in=$WORK/$1.avi
  python3 "$HERE/bench_split.py" "$in" "$2" "$3"
  local size chunks
  size=$(stat -c %s "$in")
  chunks=$(( $2 * 2 ))
  cat "$in" >/dev/null  # into the page cache
  local half
  half=$(awk "BEGIN { print $2 * 0.04 / 2 }")
  local cpw cpc spw spc
  read -r cpw cpc < <(best "$WORK/copy.avi" cp "$in" "$WORK/copy.avi")
  read -r spw spc < <(best "$WORK/$name-1.avi $WORK/$name-2.avi" "$TAVRIN" split "$in" --seconds "$half" --overlap 5)
  [ -s "$WORK/$name-1.avi" ] && [ -s "$WORK/$name-2.avi" ] || { echo "bench_split: split failed" >&2; exit 1; }
  rm -f "$WORK/$name-1.avi" "$WORK/$name-2.avi"
  sync
  local rss
  rss=$(/usr/bin/time -v "$TAVRIN" split "$in" --seconds "$half" --overlap 5 2>&1 >/dev/null |
        sed -n 's/.*Maximum resident set size (kbytes): //p')
  printf '%-6s %5d MB %7d chunks | wall: cp %6.3f s split %6.3f s ratio %5.2f | cpu: cp %6.3f s split %6.3f s ratio %5.2f | peak RSS %5.1f MB\n' \
    "$name" $((size / 1048576)) "$chunks" "$cpw" "$spw" "$(awk "BEGIN { print $spw / $cpw }")" \
    "$cpc" "$spc" "$(awk "BEGIN { print $spc / ($cpc > 0 ? $cpc : 0.001) }")" "$(awk "BEGIN { print $rss / 1024 }")"
  rm -f "$in" "$WORK/$name-1.avi" "$WORK/$name-2.avi" "$WORK/copy.avi"
}

echo "tavrin split benchmark in $WORK ($ROUNDS rounds, best of each; input in page cache)"
bench large 3400 300000
bench small 150000 600
