#!/usr/bin/env bash
# The rooms of the house and what each may include. The core (every room
# below) knows nothing of its hosts (app/, ui/ for the window, cli/ for the
# command line); a room includes only itself and rooms below it; feature
# rooms never include each other (what the split, its pieces and the cut
# share lies below them, in share/). windows.h appears only in the
# Windows-only *_win32.cpp files, and app/ is no part of the core library. The plug-in is the window's
# business: no core file names it.
set -uo pipefail
SRC=${TAVRIN_SOURCE_DIR:?}
cd "$SRC" || exit 1
fail=0

# room: the rooms it may include besides itself, from the ground up.
declare -A MAY=(
  [texts]=""
  [io]="texts"
  [avi]="texts io"
  [scan]="texts io avi"
  [writer]="texts io avi"
  [sound]="texts io avi writer"
  [job]="texts io avi scan writer sound"
  [chain]="texts io avi scan writer job"
  [share]="texts io avi scan writer sound job"
  [exact]="texts io avi scan writer job share"
  [split]="texts io avi scan writer job share exact"
  [pieces]="texts io avi scan writer job share"
  [repair]="texts io avi scan writer job"
  [merge]="texts io avi scan writer job chain"
  [cut]="texts io avi scan writer job chain share exact"
  [streams]="texts io avi scan writer sound job chain"
  [dub]="texts io avi scan writer sound job"
  [codec]="texts io avi writer exact"
  [batch]="texts io"
  [detect]="texts io avi codec"
)
ROOMS="texts io avi scan writer sound job chain share exact split pieces repair merge cut streams dub codec batch detect"
HOSTS="app ui cli dll"

for room in $ROOMS; do
  [ -d "$room" ] || continue
  allowed=" $room ${MAY[$room]} "
  bad=$(grep -rnoE '#include +"[a-z_]+/' --include='*.h' --include='*.cpp' "$room" |
        while IFS= read -r hit; do
          target=${hit##*\"}; target=${target%/}
          case "$allowed" in *" $target "*) ;; *) echo "$hit" ;; esac
        done)
  if [ -n "$bad" ]; then
    echo "FAIL $room/ includes rooms it may not (it may: ${MAY[$room]:-nothing}):"; echo "$bad"; fail=1
  else
    echo "ok   $room/ includes only itself${MAY[$room]:+ and }${MAY[$room]}"
  fi
done

# Every folder holding C++ is a known room or a host, so none escapes the rules.
for dir in $(git ls-files '*.cpp' '*.h' 2>/dev/null | grep '/' | cut -d/ -f1 | sort -u); do
  case " $ROOMS $HOSTS tests fuzz tools plugin resources " in
    *" $dir "*) ;;
    *) echo "FAIL $dir/ holds C++ but is neither a room of the core nor a host: add it to this test"; fail=1 ;;
  esac
done

# FFmpeg's headers (libavcodec, libavutil, libswscale...) are the codec
# room's alone: the rest of the program, its tests included, sees its own
# interface.
found=$(git ls-files '*.cpp' '*.h' 2>/dev/null | grep -v '^codec/' | xargs grep -lE '#include +<lib(av|sw)[a-z]*/' 2>/dev/null)
if [ -n "$found" ]; then echo "FAIL FFmpeg's headers included outside codec/:"; echo "$found"; fail=1
else echo "ok   FFmpeg's headers only in codec/"; fi

found=$(for room in $ROOMS; do [ -d "$room" ] && grep -rln '#include <windows.h>' "$room"; done | grep -v '_win32\.cpp$')
if [ -n "$found" ]; then echo "FAIL windows.h outside *_win32.cpp:"; echo "$found"; fail=1
else echo "ok   windows.h only in *_win32.cpp files of the core"; fi

found=$(for room in $ROOMS; do [ -d "$room" ] && grep -rliE 'plug-?in' "$room"; done)
if [ -n "$found" ]; then echo "FAIL the core speaks of the plug-in (the window hands work to it through steps):"; echo "$found"; fail=1
else echo "ok   no core file speaks of the plug-in"; fi

# The core's texts are UTF-8 and sit in one place, texts/: no other core
# file holds a byte outside ASCII (a text, or a comment's accent).
found=$(for room in $ROOMS; do [ "$room" != texts ] && [ -d "$room" ] && LC_ALL=C grep -rlP '[\x80-\xff]' "$room"; done)
if [ -n "$found" ]; then echo "FAIL bytes outside ASCII in core files outside texts/ (name the text there):"; echo "$found"; fail=1
else echo "ok   the core's texts sit in texts/ only"; fi

# Nor is the core (or the program) compiled for a code page: the Wine test
# programs' CP932 is an option of tavrin_test_charset alone.
charset=$(grep -n 'exec-charset' CMakeLists.txt cmake/*.cmake | grep -v 'tavrin_test_charset INTERFACE')
core_takes=$(grep -nE 'target_(link_libraries|compile_options)\(tavrin_core\b[^)]*(charset|CP932)' CMakeLists.txt cmake/*.cmake)
if [ -n "$charset$core_takes" ]; then echo "FAIL a code page is set beside the window's own:"; echo "$charset$core_takes"; fail=1
else echo "ok   the core is compiled in UTF-8 only (CP932 for the Wine test programs alone)"; fi

core=$(sed -n 's/^tavrin_sources(CORE_SOURCES \(.*\))$/\1/p' CMakeLists.txt)
if [ -z "$core" ]; then echo "FAIL CMakeLists.txt names no core rooms (tavrin_sources(CORE_SOURCES ...))"; fail=1; fi
for host in $HOSTS; do
  case " $core " in *" $host "*) echo "FAIL the core library takes $host/"; fail=1 ;; esac
done
for room in $core; do
  case " $ROOMS " in *" $room "*) ;; *) echo "FAIL the core library takes $room/, which this test does not know"; fail=1 ;; esac
done
[ $fail -eq 0 ] && echo "ok   the core library is the rooms $core"
exit $fail
