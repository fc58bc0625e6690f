#!/usr/bin/env bash
# Which Windows build this machine can run under Wine, and how to start that
# Wine. Some machines run no 32-bit x86 code at all (the kernel's IA-32
# emulation is off: every i386 program fails with "Exec format error"); there
# only 64-bit Wine and the x86-64 build run.
#
# Run:    bash scripts/wine_arch.sh     prints the runnable builds, best first
#                                       ("i686 x86_64", "x86_64" or nothing)
# Source: wine_runnable_archs           the same list
#         wine_cannot_run_reason        why neither runs (for error messages)
#         wine_use i686|x86_64          sets WINEARCH (and WINELOADER) and
#                                       makes wine, wineboot and winepath call
#                                       that Wine
#
# Debian's /usr/bin/wine always takes the 32-bit loader when wine32 is
# installed, even where it cannot run, and puts no wine64 on PATH: so the
# loaders are called by their own paths.
TAVRIN_WINE32=/usr/lib/wine/wine
TAVRIN_WINE64=/usr/lib/wine/wine64

wine_can_run() { # i686|x86_64
  case $1 in
    # The 32-bit dynamic loader answers only where i386 programs run at all.
    i686) /lib/ld-linux.so.2 --version >/dev/null 2>&1 && "$TAVRIN_WINE32" --version >/dev/null 2>&1 ;;
    x86_64) "$TAVRIN_WINE64" --version >/dev/null 2>&1 ;;
    *) return 1 ;;
  esac
}

wine_runnable_archs() {
  local arch found=()
  for arch in i686 x86_64; do wine_can_run $arch && found+=("$arch"); done
  echo "${found[*]}"
}

wine_cannot_run_reason() {
  local loader
  for loader in /lib/ld-linux.so.2 "$TAVRIN_WINE32" "$TAVRIN_WINE64"; do
    # bash names itself before the error of a program it cannot start.
    echo "$loader --version: $("$loader" --version 2>&1 | head -1 | sed 's/^.*: line [0-9]*: //')"
  done
}

wine_use() { # i686|x86_64
  case $1 in
    i686) TAVRIN_WINE=$TAVRIN_WINE32; export WINEARCH=win32; unset WINELOADER ;;
    x86_64) TAVRIN_WINE=$TAVRIN_WINE64; export WINEARCH=win64 WINELOADER=$TAVRIN_WINE64 ;;
    *) echo "wine_use: unknown architecture '$1' (i686, x86_64)" >&2; return 1 ;;
  esac
  TAVRIN_WINE_ARCH=$1
}

wine() { "$TAVRIN_WINE" "$@"; }
wineboot() { "$TAVRIN_WINE" wineboot "$@"; }
winepath() { "$TAVRIN_WINE" winepath "$@"; }

if [ "${BASH_SOURCE[0]}" = "$0" ]; then wine_runnable_archs; fi
