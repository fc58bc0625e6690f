#!/usr/bin/env bash
# Makes the README's screenshots of the real Tavrin.exe under Wine on a
# private Xvfb display: the main window's Split and Merge pages in English and
# Japanese, a split's progress dialog, the About box, the Operate menu's
# Join Files and Split into Pieces dialogs and the preview at a split's cut
# in both languages.
# Usage: scripts/screenshots.sh [--dpi N] [OUTDIR]   (default docs/screenshots)
# --dpi N (other than 96) makes only the main window's two pages in both
# languages, as Windows shows them at N DPI (Wine's LogPixels), named
# main-split-en-Ndpi.png and so on.
# The pictures come from the Windows build this machine runs (build/win, or
# build/win64 where no 32-bit programs run); TAVRIN_WIN_TREE names an already
# built tree of that architecture to use instead.
#
# Wine runs in a prefix of its own (build/wineprefix-shots-ARCH) set up for this:
# - a virtual desktop of the screen's size, so that windows get title bars
#   without a window manager;
# - no visual theme (the classic look the dialogs were laid out for), and
#   Wine's own Tahoma and Marlett fonts;
# - Japanese: the ja_JP.UTF-8 locale (code page 932, language 1041) and the
#   IPA Gothic fonts from Debian standing in for the templates' faces
#   "ＭＳ Ｐゴシック" and "MS Shell Dlg", so Japanese renders as text, not boxes.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DPI=96
if [ "${1:-}" = --dpi ]; then DPI=${2:?--dpi needs a number}; shift 2; fi
case $DPI in ''|*[!0-9]*) echo "screenshots: --dpi takes a number, not '$DPI'" >&2; exit 2 ;; esac
OUT=${1:-$ROOT/docs/screenshots}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
cd "$ROOT"

bash scripts/deps.sh
source scripts/wine_arch.sh
ARCH=$(wine_runnable_archs)
ARCH=${ARCH%% *}
if [ -z "$ARCH" ]; then
  { echo "screenshots: no Wine can run on this machine:"; wine_cannot_run_reason; } >&2
  exit 1
fi
wine_use "$ARCH"
case $ARCH in
  i686) TREE=win MINGW=i686-w64-mingw32 ;;
  x86_64) TREE=win64 MINGW=x86_64-w64-mingw32 ;;
esac
WIN_TREE=${TAVRIN_WIN_TREE:-}
if [ -z "$WIN_TREE" ]; then
  bash scripts/build.sh "$TREE:Tavrin"
  WIN_TREE=$ROOT/build/$TREE
fi
SAMPLES=$ROOT/build/samples
bash tools/make_samples.sh "$SAMPLES" >/dev/null
# The preview's picture needs a codec that Wine decodes: a colourful clip in
# Cinepak with a tone, made once.
GARDEN=$ROOT/build/screens-garden.avi
[ -s "$GARDEN" ] || ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=12 \
  -f lavfi -i sine=frequency=330:sample_rate=22050:duration=12 -c:v cinepak -g 25 -c:a pcm_s16le "$GARDEN"

WORK=$ROOT/build/screens
mkdir -p "$WORK"
"$MINGW-g++" -std=c++17 -O1 -static -I"$ROOT" tools/screenshots_driver.cpp -o "$WORK/driver.exe" -lgdi32

export WINEPREFIX=$ROOT/build/wineprefix-shots-$ARCH WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The screen grows with the DPI, so that the scaled windows fit on it.
SIZE=$((1024 * DPI / 96))x$((768 * DPI / 96))
SUFFIX=
[ "$DPI" = 96 ] || SUFFIX=-${DPI}dpi

# A display of our own; -displayfd picks a free one.
XVFB_PID=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 ${SIZE}x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 </dev/null &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { cat "$WORK/xvfb.log"; echo "screenshots: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(tr -d '\n' <"$WORK/display")

if [ ! -f "$WINEPREFIX/.tavrin-shots-ready" ]; then
  echo "screenshots: making the Wine prefix $WINEPREFIX (about 15 s)"
  LANG=C.UTF-8 wineboot -i >"$WORK/wineboot.log" 2>&1 </dev/null
  wineserver -w
  touch "$WINEPREFIX/.tavrin-shots-ready"
fi
# Wine's own faces and the Japanese face substitutes.
source "$ROOT/scripts/wine_fonts.sh"
wine_fonts_setup "$WORK"
# A virtual desktop gives the windows their title bars; no theme.
wine_reg_import "$WORK" shots C.UTF-8 <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$SIZE"

[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]
"ThemeActive"="0"

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$(printf %08x "$DPI")
REG

driver() { wine "$WORK/driver.exe" "$@"; }

# Grabs the screen and cuts out the rectangle the driver wrote ("WxH+X+Y").
capture() {
  local rect name=$2
  rect=$(tr -d '\r\n' <"$1")
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop "$rect" +repage "$OUT/$name"
  echo "screenshots: $OUT/$name ($rect)"
}

for lang in en ja; do
  if [ $lang = ja ]; then locale=ja_JP.UTF-8; else locale=C.UTF-8; fi
  # The locale belongs to the running Wine session: start a fresh one.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  wine_fonts_language "$WORK" $lang
  folder=$WORK/$lang
  rm -rf "$folder" && mkdir -p "$folder"
  # The pictures show a folder a user would have, C:\Videos, not this
  # machine's: the prefix's drive C: gets a Videos folder that is $folder.
  ln -sfn "$folder" "$WINEPREFIX/drive_c/Videos"
  videos='C:\Videos'
  cp "$SAMPLES/ffmpeg_mpeg4_mp3_g25_150s.avi" "$folder/holiday.avi"
  cp "$GARDEN" "$folder/garden.avi"
  for n in 1 2 10; do cp "$SAMPLES/ffmpeg_mpeg4_pcm_g12.avi" "$folder/clip$n.avi"; done
  printf 'Position=40 40\r\nOrgFolder=\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=5\r\nJoinFolder=C:\\Videos\r\nPreviewPlace=60 40 640 540\r\n' \
    >"$folder/Tavrin.ini"
  (cd "$folder" && LANG=$locale LC_ALL=$locale wine "$WIN_TREE/Tavrin.exe" >/dev/null 2>&1 &)
  export LANG=$locale LC_ALL=$locale
  driver wait-main "$WORK/rect"
  driver fill-split "$videos\\holiday.avi"
  sleep 1
  capture "$WORK/rect" "main-split-$lang$SUFFIX.png"
  driver tab
  driver fill-merge "$videos\\holiday-1.avi" "$videos\\holiday-2.avi"
  sleep 1
  capture "$WORK/rect" "main-merge-$lang$SUFFIX.png"
  driver tab
  if [ "$DPI" != 96 ]; then
    driver close
    unset LANG LC_ALL
    continue
  fi
  if [ $lang = en ]; then
    driver make-large "$videos\\large.avi"
    driver progress-hold "$videos\\large.avi" "$WORK/rect"
    capture "$WORK/rect" "progress-$lang.png"
    driver progress-release
    rm -f "$folder"/large*.avi
  fi
  driver about "$WORK/rect"
  capture "$WORK/rect" "about-$lang.png"
  driver about-close
  driver join "$WORK/rect" clip10.avi clip2.avi clip1.avi
  capture "$WORK/rect" "join-$lang.png"
  driver tool-close
  driver fill-split "$videos\\holiday.avi"
  driver pieces "$WORK/rect"
  capture "$WORK/rect" "pieces-$lang.png"
  driver tool-close
  driver preview "$videos\\garden.avi" 7 2 "$WORK/rect"
  capture "$WORK/rect" "preview-$lang.png"
  driver preview-close
  driver close
  unset LANG LC_ALL
done
rm -f "$WINEPREFIX/drive_c/Videos"
echo "screenshots: done"
