#!/usr/bin/env bash
# Runs one Windows test program under Wine on the fixture's Xvfb display and
# returns its exit code (124 after a time-out, default 120 s).
# Usage: run.sh STATE_DIR PROGRAM.exe [ARGS...]
# The program starts in a fresh scratch folder STATE_DIR/work/<name> and sees
# TAVRIN_SAMPLES, TAVRIN_WIN_BUILD_DIR, TAVRIN_WORK_DIR (the scratch folder),
# and, once built, TAVRIN_EXE (Tavrin.exe) and TAVRIN_PLUGIN (the test
# TavrinD.dll) as Windows paths. LANG defaults to C.UTF-8 (English); programs named
# *_ja.exe run with LANG=ja_JP.UTF-8 (Japanese UI, code page 932).
set -uo pipefail
STATE=${1:?usage: run.sh STATE_DIR PROGRAM.exe [ARGS...]}
EXE=${2:?usage: run.sh STATE_DIR PROGRAM.exe [ARGS...]}
shift 2
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"

if [ -z "${DISPLAY:-}" ]; then echo "no Xvfb display: the wine fixture did not run" >&2; exit 1; fi
if [ ! -f "$EXE" ]; then echo "not built: $EXE" >&2; exit 1; fi

name=$(basename "$EXE" .exe)
work=$STATE/work/$name
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

case $name in
  *_ja) export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ;;
  *) export LANG=${TAVRIN_WINE_LANG:-C.UTF-8} LC_ALL=${TAVRIN_WINE_LANG:-C.UTF-8} ;;
esac
[ -n "${TAVRIN_SAMPLES:-}" ] && TAVRIN_SAMPLES=$(windows_path "$TAVRIN_SAMPLES") && export TAVRIN_SAMPLES
WIN_BUILD=$(dirname "$(realpath "$EXE")")
export TAVRIN_WIN_BUILD_DIR
TAVRIN_WIN_BUILD_DIR=$(windows_path "$WIN_BUILD")
[ -f "$WIN_BUILD/Tavrin.exe" ] && export TAVRIN_EXE="$TAVRIN_WIN_BUILD_DIR\\Tavrin.exe"
[ -f "$WIN_BUILD/plugin/TavrinD.dll" ] && export TAVRIN_PLUGIN="$TAVRIN_WIN_BUILD_DIR\\plugin\\TavrinD.dll"
export TAVRIN_WORK_DIR
TAVRIN_WORK_DIR=$(windows_path "$work")

limit=${TAVRIN_WINE_TIMEOUT:-120}
timeout -k 10 "$limit" wine "$EXE" "$@" </dev/null
rc=$?
# End whatever the program left running (and the wineserver it started, which
# would otherwise hold the test's output pipe open).
wineserver -k >/dev/null 2>&1
[ $rc -eq 124 ] && echo "run.sh: $name timed out after $limit s" >&2
[ $rc -eq 53 ] && echo "run.sh: exit code 53: a DLL is missing (is the program linked statically?)" >&2
exit $rc
