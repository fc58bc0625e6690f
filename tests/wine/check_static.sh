#!/usr/bin/env bash
# Checks both Windows builds: each holds Tavrin.exe and plugin/TavrinD.dll in
# the format of its architecture (PE32 for i686, PE32+ for x86-64), and every
# program and DLL depends on Windows' own DLLs only: a libgcc/libstdc++/
# winpthread DLL would make Wine (and Windows) refuse to start it on a
# machine without mingw.
# Usage: check_static.sh ARCH:WIN_BUILD_DIR...   e.g. i686:build/win x86_64:build/win64
set -uo pipefail
[ $# -gt 0 ] || { echo "usage: check_static.sh ARCH:WIN_BUILD_DIR..." >&2; exit 2; }
shopt -s nullglob

# "PE32" or "PE32+" from the optional header's magic (0x10b or 0x20b).
pe_format() {
  local header magic
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  magic=$(od -An -tx2 -j$((header + 24)) -N2 "$1" | tr -d ' ')
  case $magic in 010b) echo PE32 ;; 020b) echo PE32+ ;; *) echo "not PE ($magic)" ;; esac
}

bad=0
for tree in "$@"; do
  arch=${tree%%:*}
  dir=${tree#*:}
  case $arch in
    i686) format=PE32 objdump=i686-w64-mingw32-objdump ;;
    x86_64) format=PE32+ objdump=x86_64-w64-mingw32-objdump ;;
    *) echo "unknown architecture '$arch'" >&2; exit 2 ;;
  esac
  echo "== $dir ($arch, $format)"
  for needed in Tavrin.exe plugin/TavrinD.dll; do
    [ -f "$dir/$needed" ] || { echo "  $needed is missing" >&2; bad=1; }
  done
  for f in "$dir"/*.exe "$dir"/*.dll "$dir"/plugin/*.dll; do
    got=$(pe_format "$f")
    if ! $objdump -p "$f" >/dev/null; then
      bad=1
      continue
    fi
    dlls=$($objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
    echo "$(basename "$f") ($got): $dlls"
    if [ "$got" != "$format" ]; then
      echo "  ^ $got, not $format" >&2
      bad=1
    fi
    if grep -qiE 'libgcc|libstdc\+\+|libwinpthread|libssp|\.so' <<<"$dlls"; then
      echo "  ^ not statically linked" >&2
      bad=1
    fi
  done
done
exit $bad
