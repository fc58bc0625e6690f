#!/usr/bin/env bash
# Builds FFmpeg's libavcodec, libavutil and libswscale as Windows DLLs (LGPL,
# mingw-w64) from Debian's own source package, the version the machine's
# libavcodec-dev has, and keeps them in a cache outside the build trees that
# every clone reuses:
#   ${TAVRIN_CACHE:-$HOME/.cache/tavrin}/ffmpeg-<debian version>-<arch>-<hash>/
#     bin/*.dll  lib/*.dll.a  include/  COPYING.LGPLv2.1  SOURCE.txt  CONFIGURE.txt
# (the hash is that of the configure line). The first call builds (several
# minutes) and says how long it took and how big the DLLs are; later calls
# only print the folder. The build goes into a temporary folder moved into
# place at the end, so an interrupted build is simply done again.
# Usage: scripts/ffmpeg_win.sh i686|x86_64    (prints the folder last)
# TAVRIN_JOBS sets make's -j (default 2).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ARCH=${1:-}
case $ARCH in i686 | x86_64) ;; *) echo "usage: ffmpeg_win.sh i686|x86_64" >&2; exit 2 ;; esac
CACHE=${TAVRIN_CACHE:-$HOME/.cache/tavrin}
JOBS=${TAVRIN_JOBS:-2}
say() { echo "ffmpeg_win.sh: $*" >&2; }
die() { say "$*"; exit 1; }

# Only what Tavrin decodes and encodes; LGPL only (no --enable-gpl or
# --enable-nonfree). --disable-autodetect keeps whatever else the machine has
# (zlib for mingw, iconv, ...) out, so every machine builds the same DLLs.
DECODERS=mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4v3,h263,h264,hevc,mpeg1video,mpeg2video,mjpeg,dvvideo
DECODERS+=,huffyuv,ffvhuff,utvideo,ffv1,lagarith,cinepak,msvideo1,indeo2,indeo3,indeo4,indeo5,rawvideo
DECODERS+=,pcm_s16le,pcm_u8,pcm_s24le,pcm_s32le,pcm_f32le,pcm_alaw,pcm_mulaw,mp3,mp2,ac3,aac
DECODERS+=,adpcm_ms,adpcm_ima_wav
PARSERS=mpeg4video,h263,h264,hevc,mpegvideo,mjpeg,mpegaudio,ac3,aac
CONFIGURE=(
  --enable-cross-compile --cross-prefix="$ARCH-w64-mingw32-" --arch="$ARCH" --target-os=mingw32
  --enable-shared --disable-static --disable-autodetect --enable-w32threads --enable-x86asm
  --disable-programs --disable-doc --disable-network
  --disable-avdevice --disable-avformat --disable-avfilter --disable-postproc --disable-swresample
  --enable-swscale --disable-everything
  --enable-decoder="$DECODERS" --enable-encoder=mpeg4,msmpeg4v3 --enable-parser="$PARSERS"
  --enable-bsf=mpeg4_unpack_bframes
)
# i686's DLLs otherwise import libgcc_s_dw2-1.dll (64-bit division, DW2
# unwinding), which Windows without mingw lacks; x86-64's need nothing of it.
[ "$ARCH" = x86_64 ] || CONFIGURE+=(--extra-ldflags=-static-libgcc)

# The Debian version the native build links (stay on it: Debian ships the
# security fixes); without libavcodec-dev, the version apt would install.
debian_version() {
  local v
  v=$(dpkg-query -W -f='${Version}' libavcodec-dev 2>/dev/null || true)
  [ -n "$v" ] || v=$(apt-cache policy libavcodec-dev 2>/dev/null | sed -n 's/^ *Candidate: //p')
  [ -n "$v" ] && [ "$v" != "(none)" ] || die "no libavcodec-dev version known (run scripts/deps.sh)"
  echo "$v"
}

VERSION=$(debian_version)          # e.g. 7:5.1.9-0+deb12u1
PLAIN_VERSION=${VERSION#*:}        # the file names carry no epoch
HASH=$(printf '%s\n' "${CONFIGURE[@]}" | sha256sum | cut -c1-12)
NAME=ffmpeg-$PLAIN_VERSION-$ARCH-$HASH
TARGET=$CACHE/$NAME
if [ -f "$TARGET/SOURCE.txt" ]; then echo "$TARGET"; exit 0; fi

mkdir -p "$CACHE"
# One build per folder at a time: a second caller waits and then finds it.
exec 9>"$CACHE/$NAME.lock"
flock 9
if [ -f "$TARGET/SOURCE.txt" ]; then echo "$TARGET"; exit 0; fi
command -v nasm >/dev/null || die "nasm is missing (run scripts/deps.sh)"
command -v "$ARCH-w64-mingw32-gcc" >/dev/null || die "$ARCH-w64-mingw32-gcc is missing (run scripts/deps.sh)"
rm -rf "$CACHE/.tmp-$NAME"   # what an interrupted build left
WORK=$CACHE/.tmp-$NAME
mkdir -p "$WORK"
started=$SECONDS

source_dir=$(bash "$ROOT/scripts/ffmpeg_source.sh" "$VERSION")
say "building $NAME (-j$JOBS, several minutes)"
mkdir -p "$WORK/build"
(
  cd "$WORK/build"
  "$source_dir/configure" --prefix=/ "${CONFIGURE[@]}" >"$WORK/configure.log" 2>&1 \
    || { tail -n 30 "$WORK/configure.log" >&2; exit 1; }
  make -j"$JOBS" >"$WORK/make.log" 2>&1 || { tail -n 30 "$WORK/make.log" >&2; exit 1; }
  make install DESTDIR="$WORK/out" >>"$WORK/make.log" 2>&1 || { tail -n 30 "$WORK/make.log" >&2; exit 1; }
) || die "the build failed; its logs: $WORK/*.log"

out=$WORK/out
# Neither pkg-config files nor MSVC's import libraries (bin/*.lib): the
# mingw builds link lib/*.dll.a.
rm -rf "$out/lib/pkgconfig" "$out/share" "$out"/bin/*.lib
cp "$source_dir/COPYING.LGPLv2.1" "$out/"
{
  echo "FFmpeg's libavcodec, libavutil and libswscale, built as Windows DLLs for $ARCH"
  echo "Debian source package: ffmpeg $VERSION ($(cat "$source_dir/../ORIGIN"))"
  echo "Unpacked with dpkg-source -x, which applies Debian's patches (debian/patches)."
  echo "Licence: GNU LGPL version 2.1 or later (COPYING.LGPLv2.1); built without --enable-gpl"
  echo "and without --enable-nonfree. The source is that package, unchanged."
  echo "Compiler: $("$ARCH-w64-mingw32-gcc" --version | head -n1)"
  echo "Configured with: configure --prefix=/ ${CONFIGURE[*]}"
} >"$out/SOURCE.txt"
printf '%s\n' "${CONFIGURE[@]}" >"$out/CONFIGURE.txt"
mv "$out" "$TARGET"
rm -rf "$WORK"
say "built $NAME in $((SECONDS - started)) s; DLLs:"
(cd "$TARGET/bin" && ls -l --block-size=K ./*.dll | awk '{print "  " $5 "  " $9}') >&2
echo "$TARGET"
