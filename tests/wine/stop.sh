#!/usr/bin/env bash
# Wine test fixture clean-up: ends the prefix's Wine processes and the Xvfb
# that start.sh started. Usage: stop.sh STATE_DIR
set -uo pipefail
STATE=${1:?usage: stop.sh STATE_DIR}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"
[ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
if [ -f "$STATE/xvfb.pid" ]; then
  pid=$(cat "$STATE/xvfb.pid")
  # Only end the process if it is still the Xvfb we started.
  if [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = Xvfb ]; then
    kill "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    echo "Xvfb (pid $pid) stopped"
  fi
  rm -f "$STATE/xvfb.pid" "$STATE/display"
fi
exit 0
