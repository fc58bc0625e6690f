#!/usr/bin/env bash
# Preview benchmark under Wine: makes 1920x1080 clips with the codecs Wine
# decodes (Cinepak, Microsoft Video 1 through Video for Windows, H.264
# through Media Foundation, uncompressed BGR24 drawn directly; a key frame
# every 25 frames) and times key-frame steps in the preview
# (tools/bench_win_preview.cpp), one table row per clip.
# Goal: a frame within 0.2 s of a key-frame step (median and max shown).
# Usage: tools/bench_preview.sh [WORKDIR]   (about 1 GB; a private Wine
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
# The MPEG-4 goals' clip: 640x480 in 250-frame groups.
[ -s "$WORK/mpeg4-480.avi" ] || ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=12 \
  -c:v mpeg4 -vtag XVID -g 250 -q:v 4 "$WORK/mpeg4-480.avi"
[ -s "$WORK/bgr24-1080.avi" ] || "${FF[@]}" -t 2 -c:v rawvideo -pix_fmt bgr24 "$WORK/bgr24-1080.avi"

archs=$(wine_runnable_archs)
[ -n "$archs" ] || { echo "bench_preview: $(wine_cannot_run_reason)" >&2; exit 1; }
arch=${archs%% *}
tree=$([ "$arch" = i686 ] && echo win || echo win64)
bash "$ROOT/scripts/build.sh" "$tree:bench_preview_win" >/dev/null
wine_use "$arch"
export WINEPREFIX=$WORK/prefix-$arch
wineboot -i >/dev/null 2>&1 || true
display=
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 </dev/null &
  xvfb=$!
  trap 'cleanup; kill $xvfb 2>/dev/null' EXIT
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(tr -d '\n' <"$WORK/display")
fi
echo "tavrin preview under Wine ($arch build, $(wine --version 2>/dev/null)): seconds from a Key > click to the picture"
files=()
for f in cinepak msvideo1 h264 bgr24; do files+=("$(winepath -w "$WORK/$f-1080.avi" 2>/dev/null)"); done
"$TAVRIN_WINE" "$ROOT/build/$tree/bench_preview_win.exe" "${files[@]}" 2>/dev/null | tr -d '\r'
