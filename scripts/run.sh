#!/usr/bin/env bash
# The run command. Installs what is missing, builds the native and Windows
# trees, makes the sample AVIs, shows what the command line tool reads in one
# of them, then starts the Windows program under Wine on your display.
# Usage: scripts/run.sh [ARGS for Tavrin.exe, e.g. /us or /jp]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

bash scripts/deps.sh
# The Windows build this machine runs: i686 (the product) where 32-bit
# programs run, else x86-64.
source scripts/wine_arch.sh
ARCH=$(wine_runnable_archs)
ARCH=${ARCH%% *}
case $ARCH in
  i686) TREE=win ;;
  x86_64) TREE=win64 ;;
  *) TREE=win ;;
esac
# Only the programs and the plug-in: the test programs are the test command's business.
bash scripts/build.sh native:tavrin "$TREE:Tavrin,TavrinDll"
bash tools/make_samples.sh build/samples
SAMPLE=build/samples/ffmpeg_mpeg4_pcm_g12.avi

echo
echo "== build/native/tavrin info $SAMPLE"
build/native/tavrin info "$SAMPLE" || echo "(tavrin info exited with $?)"
echo

EXE=$ROOT/build/$TREE/Tavrin.exe
if [ ! -f "$EXE" ]; then
  echo "Tavrin.exe is not built yet (its window code is still missing); nothing to start under Wine."
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  cat <<MSG
No display (DISPLAY is not set), so the Windows program is not started.
To see it without a screen, run it on a virtual X server and take a screenshot:
  Xvfb :77 -screen 0 1024x768x24 &
  DISPLAY=:77 bash scripts/run.sh &
  sleep 15; DISPLAY=:77 import -window root tavrin.png
(Without a window manager Wine draws no title bars.)
MSG
  exit 0
fi

if [ -z "$ARCH" ]; then
  echo "This machine can run neither Windows build under Wine:"
  wine_cannot_run_reason
  exit 1
fi
wine_use "$ARCH"
# A prefix of its own, kept between runs; the samples are under drive Z:.
export WINEPREFIX=$ROOT/build/wineprefix-run-$ARCH WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.tavrin-ready" ]; then
  echo "Making the Wine prefix $WINEPREFIX (once, about 15 s)..."
  wineboot -i >/dev/null 2>&1 && wineserver -w && touch "$WINEPREFIX/.tavrin-ready"
fi
# Japanese needs the system code page 932, which a Japanese locale gives the
# Wine session: on a Japanese desktop, or when /jp asks for it.
LANGUAGE_UI=en
case "${LANG:-}" in ja_JP*) LANGUAGE_UI=ja ;; esac
case "${1:-}" in /[jJ][pP]*) LANGUAGE_UI=ja ;; /[uU][sS]*) LANGUAGE_UI=en ;; esac
source "$ROOT/scripts/wine_fonts.sh"
mkdir -p "$ROOT/build/run"
wineserver -k >/dev/null 2>&1 || true
wine_fonts_setup "$ROOT/build/run"
wine_fonts_language "$ROOT/build/run" $LANGUAGE_UI
if [ $LANGUAGE_UI = ja ]; then export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; fi
echo "Starting the $ARCH Tavrin.exe under Wine on $DISPLAY (samples: Z:${ROOT//\//\\}\\build\\samples)"
# Started from a folder of its own: Tavrin.ini is written to the start-up
# folder, and the plug-in is loaded from there (it writes joined files and
# splits by size).
cd "$ROOT/build/run"
cp "$ROOT/build/$TREE/dll/TavrinD.dll" TavrinD.dll
exec "$TAVRIN_WINE" "$EXE" "$@"
