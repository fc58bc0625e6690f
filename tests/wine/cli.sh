#!/usr/bin/env bash
# tavrin-cli.exe under Wine as a drop-in for the native tavrin: the command
# line tests (tests/cli) run against it with TAVRIN_CLI pointing here, so the
# Windows command line meets the same expectations as the Linux one.
# Arguments, stdin, stdout, stderr and the exit code pass through unchanged;
# Unix paths reach the program as they are (Wine maps "/x/y" to "Z:\x\y").
# The program runs in a prefix of its own (made on first use) without a
# display, so it never waits for a slot of the window tests.
# Environment: TAVRIN_WINE_CLI_EXE  the tavrin-cli.exe to run
#              TAVRIN_WINE_CLI_ARCH i686 or x86_64
#              TAVRIN_WINE_STATE    the Wine fixture's state folder
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
EXE=${TAVRIN_WINE_CLI_EXE:?}
ARCH=${TAVRIN_WINE_CLI_ARCH:?}
STATE=${TAVRIN_WINE_STATE:?}
# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"
wine_use "$ARCH" || exit 125
export WINEPREFIX=$STATE/cli/prefix-$ARCH
unset DISPLAY
# Wine keeps its server's socket under TMPDIR: one folder for every run, so
# that all runs share the prefix's one server (each test has a TMPDIR of its
# own, and two servers on one prefix would fight over it).
# It also keeps the tests' folders (often TMPDIR) free of Wine's files.
export TMPDIR=$STATE/cli/tmp
mkdir -p "$TMPDIR"
# One server for the prefix, kept until the fixture's stop.sh: a run then
# costs about 0.4 s instead of 2 s (a new server starts the prefix's services
# each time), and no run can start just as the server of the run before is
# leaving, which made Wine fail to start the program now and then.
# The services start once, from a run whose output goes nowhere: started by
# a test's run they would keep its output pipe open, and the test would wait
# for them. `wineserver -p` exits 0 only when it started a new server.
mkdir -p "$STATE/cli"
exec {lock}>"$STATE/cli/lock-$ARCH"
flock "$lock"
if [ ! -f "$WINEPREFIX/.tavrin-ready" ]; then
  wineboot -i >/dev/null 2>&1 </dev/null {lock}>&-
  wineserver -w
  touch "$WINEPREFIX/.tavrin-ready"
fi
# (The lock's descriptor is closed for them: the server would hold it.)
if wineserver -p </dev/null >/dev/null 2>&1 {lock}>&-; then
  "$TAVRIN_WINE" "$EXE" --version </dev/null >/dev/null 2>&1 {lock}>&-
fi
exec {lock}>&-
exec "$TAVRIN_WINE" "$EXE" "$@"
