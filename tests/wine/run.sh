#!/usr/bin/env bash
# Runs one Windows test program under Wine in a free slot of the fixture (its
# own Xvfb display and prefix) and returns its exit code (124 after a
# time-out, default 120 s).
# Usage: run.sh STATE_DIR ARCH LANGUAGE PROGRAM.exe [ARGS...]
#   ARCH: i686 or x86_64; LANGUAGE: en (LANG=C.UTF-8) or ja (LANG=ja_JP.UTF-8:
#   Japanese user language, code page 932), also passed on as
#   TAVRIN_TEST_LANGUAGE so that the program checks that language's texts.
# The program starts in a fresh scratch folder STATE_DIR/work/ARCH/<name>.LANGUAGE
# and sees TAVRIN_SAMPLES, TAVRIN_WIN_BUILD_DIR, TAVRIN_WORK_DIR (the scratch
# folder), and, once built, TAVRIN_EXE (Tavrin.exe) and TAVRIN_PLUGIN (the
# test TavrinD.dll) as Windows paths.
set -uo pipefail
usage="usage: run.sh STATE_DIR ARCH en|ja PROGRAM.exe [ARGS...]"
STATE=${1:?$usage}
ARCH=${2:?$usage}
LANGUAGE=${3:?$usage}
EXE=${4:?$usage}
shift 4
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"

slots=$(wine_slot_count)
if [ "$slots" -eq 0 ]; then echo "no Wine slots: the wine fixture did not run" >&2; exit 1; fi
if [ ! -f "$EXE" ]; then echo "not built: $EXE" >&2; exit 1; fi

# Takes the first free slot (ctest may run several programs at once); the
# lock lasts as long as this script.
slot=
while [ -z "$slot" ]; do
  for ((n = 0; n < slots; n++)); do
    exec {lock}>"$STATE/slot$n/lock"
    if flock -n "$lock"; then slot=$n; break; fi
    exec {lock}>&-
  done
  [ -n "$slot" ] || sleep 0.2
done
wine_slot "$slot" "$ARCH" || exit 1
if [ -z "${DISPLAY:-}" ]; then echo "no Xvfb display in slot $slot: the wine fixture did not run" >&2; exit 1; fi

name=$(basename "$EXE" .exe)
work=$STATE/work/$ARCH/$name.$LANGUAGE
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

case $LANGUAGE in
  ja) export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ;;
  en) export LANG=C.UTF-8 LC_ALL=C.UTF-8 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
export TAVRIN_TEST_LANGUAGE=$LANGUAGE
[ -n "${TAVRIN_SAMPLES:-}" ] && TAVRIN_SAMPLES=$(windows_path "$TAVRIN_SAMPLES") && export TAVRIN_SAMPLES
WIN_BUILD=$(dirname "$(realpath "$EXE")")
export TAVRIN_WIN_BUILD_DIR
TAVRIN_WIN_BUILD_DIR=$(windows_path "$WIN_BUILD")
[ -f "$WIN_BUILD/Tavrin.exe" ] && export TAVRIN_EXE="$TAVRIN_WIN_BUILD_DIR\\Tavrin.exe"
[ -f "$WIN_BUILD/plugin/TavrinD.dll" ] && export TAVRIN_PLUGIN="$TAVRIN_WIN_BUILD_DIR\\plugin\\TavrinD.dll"
export TAVRIN_WORK_DIR
TAVRIN_WORK_DIR=$(windows_path "$work")

echo "run.sh: $name on $ARCH, slot $slot (display $DISPLAY), LANG=$LANG"
limit=${TAVRIN_WINE_TIMEOUT:-120}
# The program writes into a file, not into ctest's pipe: the wineserver and
# the prefix's own processes it may start live on for the next program of the
# slot (a cold start costs seconds) and must not hold the pipe open. Neither
# do they get the lock.
# The slot's server stays until a failure here or the fixture's stop.sh: a
# server that leaves once its last program has ended could be leaving just as
# the next program starts, and Wine then fails to start it (exit code 1, not
# a line written). `wineserver -p` returns at once where the server runs.
wineserver -p </dev/null >/dev/null 2>&1 {lock}>&-
run_program() {
  timeout -k 10 "$limit" "$TAVRIN_WINE" "$EXE" "$@" </dev/null >"$work.log" 2>&1 {lock}>&-
}
run_program "$@"
rc=$?
# A test program ends by writing its verdict: a failure without a byte of
# output is most likely Wine not starting it. That is tried once more, on a
# fresh server; a program that fails so again fails the test.
if [ $rc -ne 0 ] && [ $rc -ne 124 ] && [ ! -s "$work.log" ]; then
  echo "run.sh: Wine did not start $name (exit code $rc, no output): once more"
  wineserver -k >/dev/null 2>&1
  wineserver -p </dev/null >/dev/null 2>&1 {lock}>&-
  run_program "$@"
  rc=$?
fi
cat "$work.log"
[ $rc -ne 0 ] && echo "run.sh: $name exited with code $rc"
# After a failure, end whatever the program left running in the slot.
[ $rc -ne 0 ] && wineserver -k >/dev/null 2>&1
[ $rc -eq 124 ] && echo "run.sh: $name timed out after $limit s" >&2
[ $rc -eq 53 ] && echo "run.sh: exit code 53: a DLL is missing (is the program linked statically?)" >&2
exit $rc
