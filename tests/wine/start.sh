#!/usr/bin/env bash
# Wine test fixture set-up: checks that this machine can run the Windows
# builds the tests need, starts one Xvfb per slot on a free display and makes
# each slot's private prefix for each architecture (once; later runs reuse
# them, made side by side).
# Usage: start.sh STATE_DIR SUITE_ARCH [SMOKE_ARCH]
#   SUITE_ARCH runs the whole suite, SMOKE_ARCH (if any) the short set.
# TAVRIN_WINE_SLOTS sets how many programs run at once (default 2).
set -euo pipefail
STATE=${1:?usage: start.sh STATE_DIR SUITE_ARCH [SMOKE_ARCH]}
SUITE_ARCH=${2:-}
SMOKE_ARCH=${3:-}
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$STATE"
STATE=$(cd "$STATE" && pwd)
# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"

describe() {
  case $1 in
    i686) echo "i686 (32-bit Tavrin.exe, 32-bit Wine)" ;;
    x86_64) echo "x86-64 (64-bit Tavrin.exe, 64-bit Wine)" ;;
  esac
}
if [ -z "$SUITE_ARCH" ]; then
  echo "This machine can run neither Windows build under Wine:" >&2
  wine_cannot_run_reason >&2
  echo "(deps.sh installs both Wines; a machine without 32-bit support still runs 64-bit Wine)" >&2
  exit 1
fi
for arch in $SUITE_ARCH $SMOKE_ARCH; do
  if ! wine_can_run "$arch"; then
    echo "The tests were set up for $(describe "$arch"), which this machine cannot run:" >&2
    wine_cannot_run_reason >&2
    echo "(configure the native tree again: scripts/build.sh native)" >&2
    exit 1
  fi
done
echo "Wine tests: the whole suite on $(describe "$SUITE_ARCH")"
[ -n "$SMOKE_ARCH" ] && echo "Wine tests: the short set on $(describe "$SMOKE_ARCH") as well"
[ "$SUITE_ARCH" = x86_64 ] && echo "(this machine runs no 32-bit programs, so the i686 build is only built and checked)"

# Whatever an interrupted run of this tree left is ended first.
bash "$HERE/stop.sh" "$STATE" >/dev/null 2>&1 || true

slots=${TAVRIN_WINE_SLOTS:-2}
for ((n = 0; n < slots; n++)); do
  dir=$STATE/slot$n
  mkdir -p "$dir"
  rm -f "$dir/display"
  # -displayfd: Xvfb picks a free display itself and writes its number.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" \
    >"$dir/xvfb.log" 2>&1 </dev/null &
  echo $! >"$dir/xvfb.pid"
done
for ((n = 0; n < slots; n++)); do
  dir=$STATE/slot$n
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null || { cat "$dir/xvfb.log"; echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  display=:$(tr -d '\n' <"$dir/display")
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 || { echo "Xvfb on $display does not answer" >&2; exit 1; }
  echo "slot $n: Xvfb on $display (pid $(cat "$dir/xvfb.pid"))"
done
echo "$slots" >"$STATE/slots"

# Every missing prefix is made at the same time as the others. The prefix's
# windows are unmanaged: with no window manager on the display, Wine would
# otherwise wait 2 s for the manager at every window's end (the program's
# exit included).
PREFIX_VERSION=2
started=$SECONDS
made=()
for ((n = 0; n < slots; n++)); do
  for arch in $SUITE_ARCH $SMOKE_ARCH; do
    (
      wine_slot $n "$arch"
      [ "$(cat "$WINEPREFIX/.tavrin-ready" 2>/dev/null)" = $PREFIX_VERSION ] && exit 0
      rm -rf "$WINEPREFIX"
      {
        wineboot -i &&
          wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
          wineserver -w
      } >"$WINEPREFIX.log" 2>&1 </dev/null || { cat "$WINEPREFIX.log"; exit 1; }
      echo $PREFIX_VERSION >"$WINEPREFIX/.tavrin-ready"
    ) &
    made+=($!)
  done
done
failed=0
for pid in "${made[@]}"; do wait "$pid" || failed=1; done
[ $failed -eq 0 ] || { echo "a Wine prefix could not be made" >&2; exit 1; }
echo "Wine prefixes ready in $((SECONDS - started)) s under $STATE/slot*/"
