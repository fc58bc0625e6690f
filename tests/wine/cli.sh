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
if [ ! -f "$WINEPREFIX/.tavrin-ready" ]; then
  mkdir -p "$STATE/cli"
  exec {lock}>"$STATE/cli/lock-$ARCH"
  flock "$lock"
  if [ ! -f "$WINEPREFIX/.tavrin-ready" ]; then
    wineboot -i >/dev/null 2>&1 </dev/null
    touch "$WINEPREFIX/.tavrin-ready"
  fi
  exec {lock}>&-
fi
exec "$TAVRIN_WINE" "$EXE" "$@"
