#!/usr/bin/env bash
# Wine test fixture clean-up: ends the Wine processes of every slot's prefixes
# and the Xvfb displays that start.sh started. Usage: stop.sh STATE_DIR
set -uo pipefail
STATE=${1:?usage: stop.sh STATE_DIR}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"
for dir in "$STATE"/slot*; do
  [ -d "$dir" ] || continue
  for prefix in "$dir"/prefix-*; do
    [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  done
  if [ -f "$dir/xvfb.pid" ]; then
    pid=$(cat "$dir/xvfb.pid")
    # Only end the process if it is still the Xvfb we started.
    if [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = Xvfb ]; then
      kill "$pid"
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      echo "Xvfb (pid $pid) stopped"
    fi
    rm -f "$dir/xvfb.pid" "$dir/display"
  fi
done
# The command line tests' own prefixes (tests/wine/cli.sh).
for prefix in "$STATE"/cli/prefix-*; do
  # (Their server's socket is under the TMPDIR that cli.sh gives them.)
  [ -d "$prefix" ] && TMPDIR=$STATE/cli/tmp WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
done
rm -f "$STATE/slots"
exit 0
