#!/usr/bin/env bash
# Checks that every program and DLL of the Windows build depends on Windows'
# own DLLs only: a libgcc/libstdc++/winpthread DLL would make Wine (and
# Windows) refuse to start it on a machine without mingw.
# Usage: check_static.sh WIN_BUILD_DIR
set -uo pipefail
DIR=${1:?usage: check_static.sh WIN_BUILD_DIR}
OBJDUMP=i686-w64-mingw32-objdump
shopt -s nullglob
files=("$DIR"/*.exe "$DIR"/*.dll "$DIR"/plugin/*.dll)
[ ${#files[@]} -gt 0 ] || { echo "no .exe or .dll in $DIR" >&2; exit 1; }
bad=0
for f in "${files[@]}"; do
  dlls=$($OBJDUMP -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  echo "$(basename "$f"): $dlls"
  if grep -qiE 'libgcc|libstdc\+\+|libwinpthread|libssp|\.so' <<<"$dlls"; then
    echo "  ^ not statically linked" >&2
    bad=1
  fi
done
exit $bad
