#!/usr/bin/env bash
# The download package under Wine as a new user meets it: scripts/package.sh
# zips the tree's program, the zip is unpacked into an empty folder whose
# path holds a space, and wt_package.exe (built in the same tree) starts the
# unpacked Tavrin.exe from there and uses it (see its opening comment).
# FFmpeg's DLLs come with their licence and source note, and wt_ffmpeg.exe
# put beside them decodes with them. Last, ffprobe reads the joined file it
# wrote without a word.
# Usage: package.sh STATE_DIR ARCH LANGUAGE TREE
#   ARCH i686 tests the win32 package, x86_64 the win64 one.
set -uo pipefail
usage="usage: package.sh STATE_DIR ARCH en|ja TREE"
STATE=${1:?$usage}
ARCH=${2:?$usage}
LANGUAGE=${3:?$usage}
TREE=${4:?$usage}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
# shellcheck source=env.sh
source "$HERE/env.sh" "$STATE"
fail() { echo "package.sh: $*" >&2; exit 1; }

case $ARCH in
  i686) package=win32 ;;
  x86_64) package=win64 ;;
  *) fail "unknown architecture '$ARCH' (i686, x86_64)" ;;
esac
version=$(head -n1 "$ROOT/VERSION")
dir=$STATE/package/$ARCH.$LANGUAGE
rm -rf "$dir" && mkdir -p "$dir/My Programs" "$dir/My Videos" || exit 1

# The tree is the one the other Wine tests run their programs from at the
# same time: nothing of it is removed or rebuilt here (the packaging builds
# only what is out of date, which is nothing after the test command's build).
TAVRIN_WIN32_TREE=$TREE TAVRIN_WIN64_TREE=$TREE TAVRIN_DIST=$dir/dist TAVRIN_PACKAGE_STAGE=$dir/stage \
  bash "$ROOT/scripts/package.sh" "$package" || fail "scripts/package.sh $package failed"
name=Tavrin-$version-$package
python3 -m zipfile -e "$dir/dist/$name.zip" "$dir/My Programs/" || fail "cannot unpack $name.zip"
folder="$dir/My Programs/$name"
ffmpeg_dlls=$(tr '\n' ' ' <"$TREE/ffmpeg/dlls.txt")
want="FFmpeg HelpE.htm Help.htm LICENSE.txt README.txt THIRD-PARTY.txt Tavrin.exe TavrinD.dll help.css screenshots
tavrin-cli.exe $ffmpeg_dlls"
want=$(tr -s ' \n' ' ' <<<"$want" | sed 's/ $//')
got=$(cd "$folder" && LC_ALL=C ls | tr '\n' ' ' | sed 's/ $//')
[ "$got" = "$(tr ' ' '\n' <<<"$want" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')" ] \
  || fail "the package holds '$got', not '$want'"
# FFmpeg's DLLs as built, with their licence and where their source is.
for dll in $ffmpeg_dlls; do
  cmp -s "$folder/$dll" "$TREE/$dll" || fail "$dll in the package differs from the tree's"
done
[ "$(ls "$folder/FFmpeg")" = "$(printf 'COPYING.LGPLv2.1.txt\nSOURCE.txt')" ] \
  || fail "FFmpeg/ holds '$(ls "$folder/FFmpeg" | tr '\n' ' ')', not the licence and SOURCE.txt"
grep -q "GNU LESSER GENERAL PUBLIC LICENSE" "$folder/FFmpeg/COPYING.LGPLv2.1.txt" \
  && grep -q "Version 2.1" "$folder/FFmpeg/COPYING.LGPLv2.1.txt" || fail "FFmpeg/COPYING.LGPLv2.1.txt is not the LGPL 2.1"
grep -q "^Debian source package: ffmpeg [0-9:.]*[0-9]" "$folder/FFmpeg/SOURCE.txt" \
  || fail "FFmpeg/SOURCE.txt names no Debian source package"
configured=$(grep "^Configured with: .*--disable-everything" "$folder/FFmpeg/SOURCE.txt") \
  || fail "FFmpeg/SOURCE.txt gives no configure line"
grep -qE -- "--enable-(gpl|version3|nonfree)" <<<"$configured" && fail "FFmpeg was built with parts beyond the LGPL 2.1"
# The packaged DLLs load and decode beside a program in the package's folder
# (once: the language changes nothing there).
if [ "$LANGUAGE" = en ]; then
  cp "$TREE/wt_ffmpeg.exe" "$folder/" || exit 1
  bash "$HERE/run.sh" "$STATE" "$ARCH" en "$folder/wt_ffmpeg.exe" || fail "FFmpeg's DLLs fail in the unpacked package"
  rm "$folder/wt_ffmpeg.exe"
fi
cp "${TAVRIN_SAMPLES:?}/ffmpeg_mpeg4_pcm_g12.avi" "$dir/My Videos/holiday.avi" || exit 1

bash "$HERE/run.sh" "$STATE" "$ARCH" "$LANGUAGE" "$TREE/wt_package.exe" \
  "$(windows_path "$folder")" "$(windows_path "$dir/My Videos/holiday.avi")" "$version" || exit 1

# The command line beside the program answers as the Linux one does.
said=$(bash "$HERE/run.sh" "$STATE" "$ARCH" "$LANGUAGE" "$folder/tavrin-cli.exe" --version | tr -d '\r')
grep -qx "tavrin $version" <<<"$said" || fail "tavrin-cli.exe --version says '$said', not 'tavrin $version'"

joined="$dir/My Videos/holiday-m.avi"
said=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$joined" 2>&1 >/dev/null) \
  || fail "ffprobe cannot read $joined"
[ -z "$said" ] || fail "ffprobe complains about $joined: $said"
echo "package.sh: $name unpacked into '$folder' works; ffprobe reads the joined file cleanly"
rm -rf "$dir"
