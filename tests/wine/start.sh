#!/usr/bin/env bash
# Wine test fixture set-up: starts Xvfb on a free display and makes the
# private 32-bit Wine prefix (once; later runs reuse it).
# Usage: start.sh STATE_DIR   (writes STATE_DIR/display, xvfb.pid, prefix/)
set -euo pipefail
STATE=${1:?usage: start.sh STATE_DIR}
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$STATE"
STATE=$(cd "$STATE" && pwd)

# An Xvfb left by an interrupted run of this tree is ended first.
bash "$HERE/stop.sh" "$STATE" >/dev/null 2>&1 || true

rm -f "$STATE/display"
# -displayfd: Xvfb picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$STATE/display" \
  >"$STATE/xvfb.log" 2>&1 </dev/null &
echo $! >"$STATE/xvfb.pid"
for _ in $(seq 100); do
  [ -s "$STATE/display" ] && break
  kill -0 "$(cat "$STATE/xvfb.pid")" 2>/dev/null || { cat "$STATE/xvfb.log"; echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
DISPLAY=:$(tr -d '\n' <"$STATE/display")
export DISPLAY
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb on $DISPLAY does not answer" >&2; exit 1; }
echo "Xvfb running on $DISPLAY (pid $(cat "$STATE/xvfb.pid"))"

# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"
if [ ! -f "$WINEPREFIX/.tavrin-ready" ]; then
  rm -rf "$WINEPREFIX"
  started=$SECONDS
  wineboot -i >"$STATE/wineboot.log" 2>&1 </dev/null || { cat "$STATE/wineboot.log"; exit 1; }
  wineserver -w
  touch "$WINEPREFIX/.tavrin-ready"
  echo "Wine prefix made in $((SECONDS - started)) s: $WINEPREFIX"
else
  echo "Wine prefix reused: $WINEPREFIX"
fi
