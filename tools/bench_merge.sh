#!/usr/bin/env bash
# Merge benchmark: splits a ~1 GB AVI with a 60-second overlap (tavrin split)
# and times `tavrin merge` of the two outputs (both analyses, the overlap
# search, the plan and the count) against `cp` of the source file, all files
# in the page cache. Goal: merge under a tenth of the copy; on static
# material (byte-identical frames) no more than three times the normal merge.
# Cases: normal (90 min, ~270,000 small chunks), large (30 min, bigger
# frames), static (a still MJPEG scene across the overlap) and skip (a run of
# tiny identical skip frames there). A phase breakdown (analyses, engine) is
# printed from tools/bench_merge_phases.cpp, built against the core library.
# Usage: tools/bench_merge.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~3.5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TAVRIN=$(realpath "${1:-$HERE/../build/tavrin}")
BUILD=$(dirname "$TAVRIN")
if [ -n "${2:-}" ]; then
  WORK=$2
elif [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt 3600000 ]; then
  WORK=$(mktemp -d /dev/shm/tavrin-merge-bench.XXXXXX)  # memory-backed: no disk write-back in cp
else
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-merge-bench.XXXXXX")
fi
ROUNDS=${ROUNDS:-3}
mkdir -p "$WORK"
trap 'rm -f "$WORK"/*.avi "$WORK"/phases; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_merge: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -f "$BUILD/libtavrin_core.a" ] || { echo "bench_merge: no libtavrin_core.a next to $TAVRIN" >&2; exit 1; }
c++ -O2 -std=c++17 -I"$HERE/.." "$HERE/bench_merge_phases.cpp" "$BUILD/libtavrin_core.a" -o "$WORK/phases"

now() { date +%s.%N; }

best() { # COMMAND...  -> best of ROUNDS wall-clock seconds
  local best= t0 t1 t
  for _ in $(seq "$ROUNDS"); do
    rm -f "$WORK/copy.avi"
    sync
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    t=$(awk "BEGIN { print $t1 - $t0 }")
    if [ -z "$best" ] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
  done
  echo "$best"
}

NORMAL_MERGE=
bench() { # NAME FRAMES VIDEO_BYTES SPLIT_MINUTES [bench_merge.py options]
  local name=$1 frames=$2 bytes=$3 minutes=$4
  shift 4
  local in=$WORK/$name.avi
  python3 "$HERE/bench_merge.py" "$in" "$frames" "$bytes" "$@"
  "$TAVRIN" split "$in" --minutes "$minutes" --overlap 60 --json | grep -Eq '"result": *0,' ||
    { echo "bench_merge: split of $name failed" >&2; exit 1; }
  cat "$in" "$WORK/$name-1.avi" "$WORK/$name-2.avi" >/dev/null  # into the page cache
  local tcp tmerge text
  tcp=$(best cp "$in" "$WORK/copy.avi")
  tmerge=$(best "$TAVRIN" merge "$WORK/$name-1.avi" "$WORK/$name-2.avi")
  text=$("$TAVRIN" merge "$WORK/$name-1.avi" "$WORK/$name-2.avi" | tr '\n' ' ')
  rm -f "$WORK/copy.avi"
  printf '%-7s %4d MB %7d chunks  cp %6.3f s  merge %6.3f s  merge/cp %5.3f' "$name" \
    $(($(stat -c %s "$in") / 1048576)) $((frames * 2)) "$tcp" "$tmerge" "$(awk "BEGIN { print $tmerge / $tcp }")"
  if [ -n "$NORMAL_MERGE" ]; then
    printf '  vs normal %4.2fx' "$(awk "BEGIN { print $tmerge / $NORMAL_MERGE }")"
  else
    NORMAL_MERGE=$tmerge
  fi
  printf '\n        %s\n        phases: %s\n' "$text" "$("$WORK/phases" "$WORK/$name-1.avi" "$WORK/$name-2.avi")"
  rm -f "$in" "$WORK/$name-1.avi" "$WORK/$name-2.avi"
}

echo "tavrin merge benchmark in $WORK ($ROUNDS rounds, best of each; files in page cache)"
# 135,000 frames at 25 fps = 90 min; split at 60 min, the overlap is frames 88,500-90,000.
bench normal 135000 7000 60
bench static 135000 7000 60 --static 86000 93000
bench skip 135000 7000 60 --static 86000 93000 --skip
# 45,000 frames = 30 min of larger frames; split at 20 min.
bench large 45000 22000 20
