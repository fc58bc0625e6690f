#!/usr/bin/env bash
# Configures and builds the named build trees under build/ (-j2):
#   win     Windows program, plug-in and test programs (mingw-w64 i686,
#           static): the product
#   win64   the same for x86-64 (mingw-w64 x86_64, static)
#   native  command line tool and tests; runs the Windows trees' test
#           programs under Wine
#   asan    native tree with AddressSanitizer and UndefinedBehaviorSanitizer,
#           unoptimised (builds several times faster than with -O2 and hides
#           no undefined behaviour behind optimisation)
# Usage: scripts/build.sh TREE[:TARGET,...]...   e.g. build.sh win native:tavrin
# (without targets the whole tree is built; packages: scripts/deps.sh)
# TAVRIN_NATIVE_UNIT_TESTS=OFF leaves the unit tests out of the native tree
# (the test command runs them in the asan tree only); TAVRIN_UNITY_CORE=ON
# compiles the core as unity units in every tree (the test command's clean
# builds: a third of the time; edits rebuild more, so it is off by default).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
JOBS=${TAVRIN_JOBS:-2}
SAMPLES=$ROOT/build/samples

for request in "$@"; do
  tree=${request%%:*}
  targets=()
  [ "$request" != "$tree" ] && IFS=, read -r -a targets <<<"${request#*:}"
  ffmpeg_arch=
  case $tree in
    win) args=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake") ffmpeg_arch=i686 ;;
    win64) args=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake") ffmpeg_arch=x86_64 ;;
    native) args=(-DTAVRIN_WIN_BUILD_DIR="$ROOT/build/win" -DTAVRIN_WIN64_BUILD_DIR="$ROOT/build/win64"
                  -DTAVRIN_SAMPLES_DIR="$SAMPLES" -DTAVRIN_UNIT_TESTS="${TAVRIN_NATIVE_UNIT_TESTS:-ON}") ;;
    asan) args=(-DTAVRIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_SAMPLES_DIR="$SAMPLES") ;;
    *) echo "build.sh: unknown tree '$tree' (win, win64, native, asan)" >&2; exit 2 ;;
  esac
  # Only when asked: a tree keeps its setting when built again (as the
  # package test builds the Windows trees) instead of compiling all anew.
  if [ -n "${TAVRIN_UNITY_CORE:-}" ]; then args+=(-DTAVRIN_UNITY_CORE="$TAVRIN_UNITY_CORE"); fi
  started=$SECONDS
  echo "== build/$tree"
  mkdir -p build
  # FFmpeg's DLLs (cached after the first build, which takes minutes): made
  # here so that what it says is seen; the configure below finds them.
  if [ -n "$ffmpeg_arch" ]; then bash "$ROOT/scripts/ffmpeg_win.sh" "$ffmpeg_arch" >/dev/null; fi
  cmake -S "$ROOT" -B "build/$tree" "${args[@]}" >"build/$tree.configure.log" 2>&1 \
    || { cat "build/$tree.configure.log"; exit 1; }
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "build/$tree" -j"$JOBS" --target "${targets[@]}"
  else
    cmake --build "build/$tree" -j"$JOBS"
  fi
  echo "== build/$tree built in $((SECONDS - started)) s"
done
