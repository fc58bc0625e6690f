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
export WINEDEBUG=-all
# One prefix per build: a 32-bit prefix cannot run the x86-64 build.
stop_wine() { [ -d "${WINEPREFIX:-}" ] && { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; } || true; }
cleanup() {
  stop_wine
  rm -rf "$WORK"/prefix-* "$WORK"/*.avi
  [ -n "${1:-}" ] || rmdir "$WORK" 2>/dev/null || true
}
trap cleanup EXIT

archs=$(wine_runnable_archs)
[ -n "$archs" ] || { echo "bench_win: $(wine_cannot_run_reason)" >&2; exit 1; }
for arch in $archs; do
  tree=$([ "$arch" = i686 ] && echo win || echo win64)
  bash "$ROOT/scripts/build.sh" "$tree:bench_split_win" >/dev/null
  wine_use "$arch"
  export WINEPREFIX=$WORK/prefix-$arch
  wineboot -i >/dev/null 2>&1 || true
  # Not the real-time priority of tools/bench_lib.sh unless BENCH_RT=1: a
  # program whose threads run first-in first-out at a real-time priority
  # starves the wineserver it waits on (the split's threads measured 1.09 to
  # 1.14 times the copy so, 0.96 to 1.05 without).
  priority=()
  [ "${BENCH_RT:-0}" = 1 ] && chrt -f 10 true 2>/dev/null && priority=(chrt -f 10)
  echo "tavrin split under Wine ($arch build, $(wine --version 2>/dev/null)), work folder $WORK, median of 9 (copy and split in turns)," \
    "$([ ${#priority[@]} -gt 0 ] && echo real-time || echo normal) priority"
  "${priority[@]}" "$TAVRIN_WINE" "$ROOT/build/$tree/bench_split_win.exe" "$(winepath -w "$WORK" 2>/dev/null)" \
    2>/dev/null | tr -d '\r'
  stop_wine
done
