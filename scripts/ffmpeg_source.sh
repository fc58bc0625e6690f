#!/usr/bin/env bash
# Fetches Debian's ffmpeg source package of one version and unpacks it with
# dpkg-source -x (which applies Debian's patches) into the cache:
#   ${TAVRIN_CACHE:-$HOME/.cache/tavrin}/src/ffmpeg-<version>/ffmpeg/
# and prints that folder. Kept there, later builds (the other architecture, a
# changed configure line) start from it at once.
# The machine's apt lists carry only binary packages. The deb-src entries
# live in the cache's own apt folder, copied from the machine's Debian entries
# (same URIs, suites, components and keyring), so the machine's apt set-up is
# neither read for writing nor changed.
# Usage: scripts/ffmpeg_source.sh DEBIAN_VERSION   e.g. 7:5.1.9-0+deb12u1
set -euo pipefail
VERSION=${1:?usage: ffmpeg_source.sh DEBIAN_VERSION}
CACHE=${TAVRIN_CACHE:-$HOME/.cache/tavrin}
SRC=$CACHE/src/ffmpeg-${VERSION#*:}
say() { echo "ffmpeg_source.sh: $*" >&2; }
die() { say "$*"; exit 1; }

if [ -f "$SRC/ffmpeg/configure" ] && [ -f "$SRC/ORIGIN" ]; then echo "$SRC/ffmpeg"; exit 0; fi
# One fetch at a time (both architectures may ask at once): the second finds
# the first's result.
mkdir -p "$CACHE/src"
exec 8>"$SRC.lock"
flock 8
if [ -f "$SRC/ffmpeg/configure" ] && [ -f "$SRC/ORIGIN" ]; then echo "$SRC/ffmpeg"; exit 0; fi

# deb822 stanzas of type deb with a Debian URI become deb-src stanzas; one-line
# entries ("deb [opts] URI suite comp...") likewise.
debian_source_entries() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*deb([ \n]|$)/ && /(^|\n)URIs:[^\n]*debian/ {
           sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\(.*debian.*\)$/deb-src \1/p' "$f"
  done
}

APT=$CACHE/apt
mkdir -p "$APT/sources.list.d" "$APT/lists/partial" "$APT/cache/archives/partial" "$CACHE/src"
debian_source_entries >"$APT/sources.list.d/debian-src.sources.tmp"
# One-line entries belong in a .list file, stanzas in a .sources file.
grep '^deb-src ' "$APT/sources.list.d/debian-src.sources.tmp" >"$APT/sources.list.d/debian-src.list" || true
grep -v '^deb-src ' "$APT/sources.list.d/debian-src.sources.tmp" >"$APT/sources.list.d/debian-src.sources" || true
rm "$APT/sources.list.d/debian-src.sources.tmp"
[ -s "$APT/sources.list.d/debian-src.list" ] || [ -s "$APT/sources.list.d/debian-src.sources" ] \
  || die "no Debian entry in the machine's apt sources to take the source package from"

# Root's apt would hand downloads to the _apt user, who cannot enter a cache
# under /root: download as the caller.
APT_OPTS=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$APT/sources.list.d"
  -o Dir::State::Lists="$APT/lists" -o Dir::Cache="$APT/cache" -o APT::Sandbox::User="$(id -un)")
say "fetching Debian's source package ffmpeg $VERSION"
apt-get "${APT_OPTS[@]}" -qq update >&2 || die "apt-get update of the source lists failed"
rm -rf "$SRC.tmp" && mkdir -p "$SRC.tmp"
(cd "$SRC.tmp" && apt-get "${APT_OPTS[@]}" -qq source --download-only "ffmpeg=$VERSION" >&2) \
  || die "apt-get source ffmpeg=$VERSION failed (is that version still in the archive?)"
dsc=$(ls "$SRC.tmp"/ffmpeg_*.dsc)
# The files' hashes were checked by apt against the signed Sources list.
(cd "$SRC.tmp" && dpkg-source --no-check -x "$dsc" ffmpeg >"$SRC.tmp/unpack.log" 2>&1) \
  || { cat "$SRC.tmp/unpack.log" >&2; die "dpkg-source -x failed"; }
apt-get "${APT_OPTS[@]}" -qq source --print-uris "ffmpeg=$VERSION" \
  | sed -n "s/^'\([^']*\.dsc\)'.*/\1/p" >"$SRC.tmp/ORIGIN"
rm -rf "$SRC" && mv "$SRC.tmp" "$SRC"
echo "$SRC/ffmpeg"
