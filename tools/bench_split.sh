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

now() { date +%s.%N; }

# best of ROUNDS wall-clock seconds for a command; outputs removed and dirty
# pages written back before each round so that every run starts alike.
best() { # CLEANUP_GLOB COMMAND...
  local clean=$1 best= t0 t1 t
  shift
  for _ in $(seq "$ROUNDS"); do
    rm -f $clean
    sync
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    t=$(awk "BEGIN { print $t1 - $t0 }")
    if [ -z "$best" ] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
  done
  echo "$best"
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
  local tcp tsplit
  tcp=$(best "$WORK/copy.avi" cp "$in" "$WORK/copy.avi")
  tsplit=$(best "$WORK/$name-1.avi $WORK/$name-2.avi" "$TAVRIN" split "$in" --seconds "$half" --overlap 5)
  [ -s "$WORK/$name-1.avi" ] && [ -s "$WORK/$name-2.avi" ] || { echo "bench_split: split failed" >&2; exit 1; }
  rm -f "$WORK/$name-1.avi" "$WORK/$name-2.avi"
  sync
  local rss
  rss=$(/usr/bin/time -v "$TAVRIN" split "$in" --seconds "$half" --overlap 5 2>&1 >/dev/null |
        sed -n 's/.*Maximum resident set size (kbytes): //p')
  printf '%-6s %5d MB %7d chunks   cp %6.3f s   split %6.3f s   ratio %5.2f   peak RSS %6.1f MB\n' \
    "$name" $((size / 1048576)) "$chunks" "$tcp" "$tsplit" "$(awk "BEGIN { print $tsplit / $tcp }")" \
    "$(awk "BEGIN { print $rss / 1024 }")"
  rm -f "$in" "$WORK/$name-1.avi" "$WORK/$name-2.avi" "$WORK/copy.avi"
}

echo "tavrin split benchmark in $WORK ($ROUNDS rounds, best of each; input in page cache)"
bench large 3400 300000
bench small 150000 600
