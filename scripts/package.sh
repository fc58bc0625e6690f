#!/usr/bin/env bash
# Makes the download packages for Windows users from already built Windows
# trees:
#   dist/Tavrin-VERSION-win32.zip   from the i686 tree   (default build/win)
#   dist/Tavrin-VERSION-win64.zip   from the x86-64 tree (default build/win64)
# Each zip holds one folder Tavrin-VERSION-ARCH/ with Tavrin.exe, the command
# line tavrin-cli.exe, the plug-in TavrinD.dll, HelpE.htm and Help.htm with help.css and the screenshots they
# show, README.txt (English and Japanese), LICENSE.txt and THIRD-PARTY.txt,
# and FFmpeg's DLLs (avcodec, avutil, swscale: the tree's ffmpeg/dlls.txt
# names them) with FFmpeg/COPYING.LGPLv2.1.txt and FFmpeg/SOURCE.txt.
# The help files sit beside Tavrin.exe because the Help menu looks for them
# in the folder the program starts in.
#
# Usage: scripts/package.sh [win32|win64]...   (default: both)
#   TAVRIN_WIN32_TREE, TAVRIN_WIN64_TREE  the build trees to take
#   TAVRIN_DIST                           where the zips go (default dist/)
#   TAVRIN_PACKAGE_STAGE                  where they are put together first
#                                         (default build/package/)
#   SOURCE_DATE_EPOCH                     file times in the zips (default: the
#                                         last commit's time, so a rebuild of
#                                         the same commit gives the same zip)
# The programs are built first (only what is out of date): build/win and
# build/win64 through scripts/build.sh, another tree named above when it was
# configured. A tree that cannot be built, a program of the wrong
# architecture or of another version than VERSION ends the script with a
# message and no zip.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

VERSION=$(head -n1 VERSION)
DIST=${TAVRIN_DIST:-$ROOT/dist}
STAGE_ROOT=${TAVRIN_PACKAGE_STAGE:-$ROOT/build/package}
WIN32_TREE=${TAVRIN_WIN32_TREE:-$ROOT/build/win}
WIN64_TREE=${TAVRIN_WIN64_TREE:-$ROOT/build/win64}
# Where a tree's plug-in target (TavrinDll) puts the real TavrinD.dll; the
# test stand-in in plugin/ is never packaged.
PLUGIN_IN_TREE=dll/TavrinD.dll

die() { echo "package.sh: $*" >&2; exit 1; }

[ $# -gt 0 ] || set -- win32 win64
for arch in "$@"; do
  case $arch in win32 | win64) ;; *) die "unknown package '$arch' (win32, win64)" ;; esac
done
[ -f LICENSE ] || die "no LICENSE at the project root: the project's licence must be written
there before a package can carry it"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH

# The toolchain's notices for the runtime (mingw-w64 CRT, winpthreads, and the
# GCC runtime libraries) linked statically into the programs.
third_party_notices() { # arch
  local triplet=i686 doc
  [ "$1" = win64 ] && triplet=x86-64
  echo "$(ffmpeg_dlls "$1" | tr '\n' ' ')are FFmpeg's libraries, under the GNU LGPL version 2.1"
  echo "or later (FFmpeg/COPYING.LGPLv2.1.txt), built from Debian's source package as"
  echo "FFmpeg/SOURCE.txt says; their source is that package, unchanged."
  echo
  echo "Tavrin.exe, tavrin-cli.exe and TavrinD.dll are linked statically with the mingw-w64 runtime"
  echo "(including winpthreads) and with the GCC runtime libraries (libgcc, libstdc++),"
  echo "which the GCC Runtime Library Exception covers. Their notices follow."
  for doc in /usr/share/doc/mingw-w64-$triplet-dev/copyright /usr/share/doc/gcc-mingw-w64-base/copyright; do
    [ -f "$doc" ] || die "missing $doc (install the mingw-w64 packages: bash scripts/deps.sh)"
    printf '\n\n==== %s ====\n\n' "${doc#/usr/share/doc/}"
    cat "$doc"
  done
}

windows_line() { # arch language
  case $1-$2 in
    win32-en) echo "This is the 32-bit build: it runs on 32-bit and 64-bit Windows." ;;
    win64-en) echo "This is the 64-bit build: it runs on 64-bit Windows only." ;;
    win32-ja) echo "32 ビット版です。32 ビット・64 ビットどちらの Windows でも動きます。" ;;
    win64-ja) echo "64 ビット版です。64 ビットの Windows でだけ動きます。" ;;
  esac
}

mingw_prefix() { case $1 in win32) echo i686-w64-mingw32 ;; win64) echo x86_64-w64-mingw32 ;; esac; }

tree_of() { case $1 in win32) echo "$WIN32_TREE" ;; win64) echo "$WIN64_TREE" ;; esac; }

PROGRAMS=(Tavrin TavrinDll tavrin-cli)

# FFmpeg's DLLs the tree was configured with (cmake/ffmpeg.cmake).
ffmpeg_dlls() { cat "$(tree_of "$1")/ffmpeg/dlls.txt"; }

build_tree() { # arch
  local arch=$1 tree default
  tree=$(tree_of "$arch")
  default=$ROOT/build/$([ "$arch" = win32 ] && echo win || echo win64)
  if [ "$(realpath -m "$tree")" = "$(realpath -m "$default")" ]; then
    bash "$ROOT/scripts/build.sh" "$(basename "$default"):$(IFS=,; echo "${PROGRAMS[*]}")" >&2 \
      || die "cannot build the $arch Windows tree $tree"
  elif [ -f "$tree/CMakeCache.txt" ]; then
    cmake --build "$tree" -j"${TAVRIN_JOBS:-2}" --target "${PROGRAMS[@]}" >&2 \
      || die "cannot build the programs of $tree"
  fi
}

check_tree() { # arch
  local arch=$1 tree
  tree=$(tree_of "$arch")
  [ -f "$tree/Tavrin.exe" ] || die "no $tree/Tavrin.exe: $tree is no Windows build tree (name one with
TAVRIN_${arch^^}_TREE=..., or leave it out to build build/win or build/win64)"
  [ -f "$tree/$PLUGIN_IN_TREE" ] || die "no $tree/$PLUGIN_IN_TREE: build the tree's TavrinDll target"
  [ -f "$tree/tavrin-cli.exe" ] || die "no $tree/tavrin-cli.exe: build the tree's tavrin-cli target"
  python3 "$ROOT/tools/pe_check.py" "$arch" "$VERSION" "$tree/Tavrin.exe" "$tree/$PLUGIN_IN_TREE" \
    "$tree/tavrin-cli.exe" || die "$tree does not hold the $arch build of version $VERSION: rebuild it"
  local dll dlls=()
  [ -s "$tree/ffmpeg/dlls.txt" ] || die "no $tree/ffmpeg/dlls.txt: configure the tree again (cmake/ffmpeg.cmake)"
  for dll in $(ffmpeg_dlls "$arch"); do dlls+=("$tree/$dll"); done
  for dll in "${dlls[@]}" "$tree/ffmpeg/COPYING.LGPLv2.1" "$tree/ffmpeg/SOURCE.txt"; do
    [ -f "$dll" ] || die "no $dll: configure the tree again (cmake/ffmpeg.cmake)"
  done
  python3 "$ROOT/tools/pe_check.py" "$arch" - "${dlls[@]}" || die "$tree holds FFmpeg DLLs of another architecture"
}

package() { # arch
  local arch=$1 tree name stage
  tree=$(tree_of "$arch")
  name=Tavrin-$VERSION-$arch
  stage=$STAGE_ROOT/$name
  rm -rf "$stage" && mkdir -p "$stage/screenshots" "$stage/FFmpeg"
  # The trees keep their debugging symbols; the packaged copies leave them out.
  "$(mingw_prefix "$arch")-strip" --strip-unneeded -o "$stage/Tavrin.exe" "$tree/Tavrin.exe"
  "$(mingw_prefix "$arch")-strip" --strip-unneeded -o "$stage/TavrinD.dll" "$tree/$PLUGIN_IN_TREE"
  "$(mingw_prefix "$arch")-strip" --strip-unneeded -o "$stage/tavrin-cli.exe" "$tree/tavrin-cli.exe"
  # FFmpeg's DLLs as built (make install strips them already).
  for dll in $(ffmpeg_dlls "$arch"); do cp "$tree/$dll" "$stage/"; done
  cp "$tree/ffmpeg/COPYING.LGPLv2.1" "$stage/FFmpeg/COPYING.LGPLv2.1.txt"
  cp "$tree/ffmpeg/SOURCE.txt" "$stage/FFmpeg/SOURCE.txt"
  cp docs/HelpE.htm docs/Help.htm docs/help.css "$stage/"
  cp docs/screenshots/*.png "$stage/screenshots/"
  sed -e "s/@VERSION@/$VERSION/" -e "s/@ARCH@/$arch/" \
    -e "s/@WINDOWS_EN@/$(windows_line "$arch" en)/" -e "s/@WINDOWS_JA@/$(windows_line "$arch" ja)/" \
    docs/package/README.txt >"$stage/README.txt"
  cp LICENSE "$stage/LICENSE.txt"
  third_party_notices "$arch" >"$stage/THIRD-PARTY.txt"

  mkdir -p "$DIST"
  python3 - "$stage" "$DIST/$name.zip" <<'PY'
# Text files get CR LF and README.txt a byte order mark, for Notepad; entries
# are sorted and carry one fixed time, so the zip depends on its content only.
import os, sys, time, zipfile
stage, target = sys.argv[1], sys.argv[2]
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
top = os.path.basename(stage)
with zipfile.ZipFile(target + ".part", "w", zipfile.ZIP_DEFLATED) as z:
    for folder, dirs, files in os.walk(stage):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            data = open(path, "rb").read()
            if name.endswith(".txt"):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
                if name == "README.txt":
                    data = b"\xef\xbb\xbf" + data
            info = zipfile.ZipInfo(top + "/" + os.path.relpath(path, stage).replace(os.sep, "/"), stamp)
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)
os.replace(target + ".part", target)
PY
  echo "package.sh: $DIST/$name.zip"
}

# Every tree is built and checked before any zip is written.
for arch in "$@"; do build_tree "$arch"; check_tree "$arch"; done
for arch in "$@"; do package "$arch"; done
