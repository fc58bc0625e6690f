#!/usr/bin/env bash
# The core knows nothing of its hosts: no file of avi/, io/ or job/ includes
# a header of app/, ui/ or cli/ (texts the core needs, such as TextPair, live
# in the core itself, and the jobs' sink in job/), and none of the core's
# folders includes windows.h outside the Windows-only *_win32.cpp files.
set -uo pipefail
SRC=${TAVRIN_SOURCE_DIR:?}
fail=0
found=$(cd "$SRC" && grep -n '#include "\(app\|ui\|cli\)/' avi/* io/* job/* 2>/dev/null)
if [ -n "$found" ]; then echo "FAIL the core includes the hosts' headers:"; echo "$found"; fail=1
else echo "ok   avi/, io/ and job/ include no header of app/, ui/ or cli/"; fi
found=$(cd "$SRC" && grep -ln '#include <windows.h>' avi/* io/* job/* split/* pieces/* merge/* join/* repair/* 2>/dev/null | grep -v '_win32\.cpp$')
if [ -n "$found" ]; then echo "FAIL windows.h outside *_win32.cpp:"; echo "$found"; fail=1
else echo "ok   windows.h only in *_win32.cpp files of the core"; fi
exit $fail
