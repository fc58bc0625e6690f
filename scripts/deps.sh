#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tavrin need:
# native and mingw-w64 compilers, GoogleTest, Wine with Xvfb, the muxers that
# make the sample AVIs, the Japanese locale and font, screenshot tools, what
# checks the Linux install (man to render the manual page, dpkg-dev for the
# Debian package's dependencies), and FFmpeg's libraries: Debian's for the
# native build, nasm for the Windows DLLs that scripts/ffmpeg_win.sh builds
# from Debian's source package (dpkg-dev unpacks it, xz-utils its tarballs).
# Idempotent: when everything is present it returns in well under a second.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

PACKAGES=(
  cmake make g++ libgtest-dev python3 procps
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine64 xvfb x11-utils
  ffmpeg mencoder
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  # Wine's H.264 decoder (Media Foundation, for the preview) needs h264parse
  gstreamer1.0-plugins-bad
  locales fonts-ipafont-gothic imagemagick x11-apps
  xfsprogs btrfs-progs strace
  man-db dpkg-dev
  libavcodec-dev libavutil-dev libswscale-dev pkg-config nasm xz-utils
)

# Root runs the package tools itself; anyone else needs sudo, but only when
# something is actually missing.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"
  elif command -v sudo >/dev/null; then sudo "$@"
  else echo "deps.sh: '$*' needs root (and there is no sudo)" >&2; exit 1
  fi
}

missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    # A Multi-Arch: same package answers once per installed architecture.
    dpkg-query -W -f='${db:Status-Status}\n' "$p" 2>/dev/null | grep -qx installed || echo "$p"
  done
}

# Another apt or dpkg run (an unattended upgrade, a second terminal) holds the
# dpkg lock; wait for it to end instead of failing on the lock.
wait_for_package_manager() {
  local said=
  while pgrep -x apt-get >/dev/null || pgrep -x apt >/dev/null || pgrep -x dpkg >/dev/null; do
    [ -n "$said" ] || { echo "deps.sh: waiting for a running apt/dpkg to finish..."; said=1; }
    sleep 3
  done
}

# A mirror caught mid-sync fails one index ("File has unexpected size ...
# Mirror sync in progress?") and apt-get update exits 100 though the other
# lists came in. Try a few times; then go on with the lists there are, and let
# the install say what it cannot find.
update_package_lists() {
  local try
  for try in 1 2 3; do
    as_root apt-get update -qq -o DPkg::Lock::Timeout=600 && return 0
    echo "deps.sh: apt-get update failed (try $try of 3)" >&2
    sleep $((try * 10))
  done
  echo "deps.sh: going on with the package lists there are" >&2
}

need_update=
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  need_update=1
fi

missing=$(missing_packages)
if [ -n "$missing" ]; then
  wait_for_package_manager
  missing=$(missing_packages)
fi
if [ -n "$missing" ]; then
  echo "deps.sh: installing:" $missing
  APT_OPTS=(-y -qq -o DPkg::Lock::Timeout=600)
  update_package_lists
  # shellcheck disable=SC2086
  as_root apt-get install "${APT_OPTS[@]}" $missing
elif [ -n "$need_update" ]; then
  update_package_lists
fi

# 32-bit Wine on its own: its i386 libraries must be the very versions of
# their amd64 twins, which fails while a mirror has one architecture's
# security lists and not the other's ("held broken packages"). Without it the
# Windows tests run on the x86-64 build, as on machines that run no 32-bit
# code at all (scripts/wine_arch.sh), so its failure is said, not fatal.
PACKAGES=(wine32:i386)
missing=$(missing_packages)
if [ -n "$missing" ]; then
  wait_for_package_manager
  echo "deps.sh: installing:" $missing
  # shellcheck disable=SC2086
  as_root apt-get install -y -qq -o DPkg::Lock::Timeout=600 $missing \
    || echo "deps.sh: 32-bit Wine could not be installed now; the Windows tests will run on x86-64" >&2
fi

# The same decoder in a 32-bit prefix takes the i386 GStreamer: only where
# 32-bit programs run (the probe answers once wine32 brought the i386 libc).
if dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null | grep -qx installed \
   && /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  PACKAGES=(gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386)
  missing=$(missing_packages)
  if [ -n "$missing" ]; then
    wait_for_package_manager
    echo "deps.sh: installing:" $missing
    # shellcheck disable=SC2086
    as_root apt-get install -y -qq -o DPkg::Lock::Timeout=600 $missing
  fi
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "deps.sh: generating the ja_JP.UTF-8 locale"
  if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
fi
