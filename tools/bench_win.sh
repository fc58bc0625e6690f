#!/usr/bin/env bash
# Windows split benchmark under Wine: builds bench_split_win (tools/
# bench_win_split.cpp) in each Windows tree this machine can run
# (scripts/wine_arch.sh) and runs it on a generated 625 MB large-chunk file.
# It prints one table per build: the split job writing both halves against a
# plain copy made by the same program with 1 MB reads and writes.
# Goal: split <= 1.1 x that copy, peak memory under 16 MB.
# Usage: tools/bench_win.sh [WORKDIR]   (needs ~1.5 GB free; a private Wine
# prefix is made under WORKDIR and removed afterwards)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/wine_arch.sh"
if [ -n "${1:-}" ]; then WORK=$1; mkdir -p "$WORK"
elif [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt 1600000 ]; then WORK=$(mktemp -d /dev/shm/tavrin-win-bench.XXXXXX)
else WORK=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-win-bench.XXXXXX"); fi
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all
cleanup() {
  "${TAVRIN_WINE:-true}" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WORK/prefix" "$WORK"/*.avi
  [ -n "${1:-}" ] || rmdir "$WORK" 2>/dev/null || true
}
trap cleanup EXIT

archs=$(wine_runnable_archs)
[ -n "$archs" ] || { echo "bench_win: $(wine_cannot_run_reason)" >&2; exit 1; }
for arch in $archs; do
  tree=$([ "$arch" = i686 ] && echo win || echo win64)
  bash "$ROOT/scripts/build.sh" "$tree:bench_split_win" >/dev/null
  wine_use "$arch"
  wineboot -i >/dev/null 2>&1 || true
  # As in tools/bench_lib.sh: a real-time priority where allowed (BENCH_RT=0: not).
  priority=()
  [ "${BENCH_RT:-1}" = 1 ] && chrt -f 10 true 2>/dev/null && priority=(chrt -f 10)
  echo "tavrin split under Wine ($arch build, $(wine --version 2>/dev/null)), work folder $WORK, median of 5," \
    "$([ ${#priority[@]} -gt 0 ] && echo real-time || echo normal) priority"
  "${priority[@]}" "$TAVRIN_WINE" "$ROOT/build/$tree/bench_split_win.exe" "$(winepath -w "$WORK" 2>/dev/null)" \
    2>/dev/null | tr -d '\r'
  "$TAVRIN_WINE" wineserver -k >/dev/null 2>&1 || true
done
