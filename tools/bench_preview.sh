#!/usr/bin/env bash
# Preview benchmark under Wine (tools/bench_win_preview.cpp): for each clip,
# in a process of its own, times in the preview a step to the next frame, a
# jump to each key frame and the worst jump (the last frame of a group), with
# the chunks decoded for each and the process's peak working set.
# Clips: 640x480 MPEG-4 in 250-frame groups, 12 s and 10 min long (the goals:
# a step is one decode, a key frame within 50 ms, any frame within 0.3 s,
# the same memory whatever the length), and 1920x1080 Cinepak, Microsoft
# Video 1, H.264 and uncompressed BGR24.
# Usage: tools/bench_preview.sh [WORKDIR]   (about 1.2 GB; a private Wine
# prefix is made under WORKDIR and removed afterwards)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/wine_arch.sh"
WORK=${1:-$(mktemp -d "${TMPDIR:-/tmp}/tavrin-preview-bench.XXXXXX")}
mkdir -p "$WORK"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { [ -d "${WINEPREFIX:-}" ] && { wineserver -k >/dev/null 2>&1 || true; }; rm -rf "$WORK"/prefix-*; }
trap cleanup EXIT

# ffmpeg's Cinepak encoder takes seconds a frame at this size: a short clip
# with key frames close together.
SOURCE=testsrc2=size=1920x1080:rate=25:duration=4
FF=(ffmpeg -nostdin -v error -y -f lavfi -i "$SOURCE")
[ -s "$WORK/cinepak-1080.avi" ] || "${FF[@]}" -t 0.6 -c:v cinepak -g 5 "$WORK/cinepak-1080.avi"
[ -s "$WORK/msvideo1-1080.avi" ] || "${FF[@]}" -t 2 -c:v msvideo1 -keyint_min 25 "$WORK/msvideo1-1080.avi"
[ -s "$WORK/h264-1080.avi" ] || "${FF[@]}" -c:v libx264 -g 25 -bf 0 -pix_fmt yuv420p "$WORK/h264-1080.avi"
# The MPEG-4 goals' clips: 640x480 in 250-frame groups, short and long.
for seconds in 12 600; do
  [ -s "$WORK/mpeg4-480-${seconds}s.avi" ] || ffmpeg -nostdin -v error -y -f lavfi \
    -i testsrc2=size=640x480:rate=25:duration=$seconds -c:v mpeg4 -vtag XVID -g 250 -q:v 4 "$WORK/mpeg4-480-${seconds}s.avi"
done
[ -s "$WORK/bgr24-1080.avi" ] || "${FF[@]}" -t 2 -c:v rawvideo -pix_fmt bgr24 "$WORK/bgr24-1080.avi"

archs=$(wine_runnable_archs)
[ -n "$archs" ] || { echo "bench_preview: $(wine_cannot_run_reason)" >&2; exit 1; }
arch=${archs%% *}
tree=$([ "$arch" = i686 ] && echo win || echo win64)
bash "$ROOT/scripts/build.sh" "$tree:bench_preview_win" >/dev/null
wine_use "$arch"
export WINEPREFIX=$WORK/prefix-$arch
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 </dev/null &
  xvfb=$!
  trap 'cleanup; kill $xvfb 2>/dev/null' EXIT
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(tr -d '\n' <"$WORK/display")
fi
# The prefix is made on the display, and its wineserver ends before the
# benchmark starts: a program run in the wineserver wineboot left behind
# without a display gets no windows (CreateWindowExW fails with error 1400
# after WM_CREATE). Unmanaged windows: without a window manager Wine waits
# 2 s at each window's end.
{ wineboot -i && wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f && wineserver -w; } >/dev/null 2>&1 || true
echo "tavrin preview under Wine ($arch build, $(wine --version 2>/dev/null)): seconds from the click to the picture," \
  "median (max) and the most chunks one move decoded"
header=
for f in mpeg4-480-12s mpeg4-480-600s cinepak-1080 msvideo1-1080 h264-1080 bgr24-1080; do
  "$TAVRIN_WINE" "$ROOT/build/$tree/bench_preview_win.exe" "$(winepath -w "$WORK/$f.avi" 2>/dev/null)" 2>/dev/null |
    tr -d '\r' | { if [ -z "$header" ]; then cat; else tail -n +2; fi; }
  header=shown
done
