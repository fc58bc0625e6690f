#!/usr/bin/env bash
# The test command. Installs what is missing, builds both Windows trees, the
# sanitizer tree and the native tree, then runs the sanitizer tree's native
# tests and every test of the native tree side by side: unit and command line
# tests and the Windows test programs under Wine (on private Xvfb displays).
# Exits non-zero when anything fails.
#
# Usage: scripts/test.sh [--long]
#   --long  also the tests labelled long (files of 4.5 GB and past 1 GiB,
#           minutes each and gigabytes of disk), which it leaves out otherwise,
#           and every case of the unit tests' sweeps on every sample (without
#           it each sample takes a share of the cases, in turn)
#
# The unit tests (tests/native) and the fuzz corpora's replays run in the
# sanitizer tree only: the native tree builds none, its optimised tavrin
# being covered by the command line tests, which run there (natively, and
# with the Windows tavrin-cli.exe under Wine).
#
# The Windows test programs run on the architecture this machine can run:
# the whole set on i686 where 32-bit programs run, with the short set of
# tests/wine/smoke.txt on x86-64 too; otherwise the whole set on x86-64. Only
# what runs is built: the other tree builds Tavrin.exe and the plug-ins.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
started=$SECONDS
long=
case ${1:-} in
  --long) long=1 ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--long]" >&2; exit 2 ;;
esac

bash scripts/deps.sh
# The four trees, the samples and the Wine prefixes take about 6 GB.
mkdir -p build
free_mb=$(df -Pm build | awk 'NR == 2 {print $4}')
echo "== $((free_mb / 1024)) GB free for build/ (the run needs about 6 GB)"
[ "$free_mb" -ge 6144 ] || echo "== WARNING: too little disk space: the run may fail with 'No space left on device'"
source scripts/wine_arch.sh
runnable=$(wine_runnable_archs)
# Each tree builds one target that holds what runs there (cmake/win32.cmake,
# CMakeLists.txt): targets named one by one would build one after the other.
products=windows_products smoke=wine_smoke suite=wine_suite
# The sanitizer tree runs the unit tests and the fuzz replays only.
sanitized=unit_tests
case " $runnable " in
  *" i686 "*)
    echo "== Wine runs i686 and x86-64 here: whole Wine suite on i686, short set on x86-64"
    windows=("win:$suite" "win64:$smoke") ;;
  *" x86_64 "*)
    echo "== this machine runs no 32-bit programs: whole Wine suite on x86-64 (i686 built, not run)"
    windows=("win:$products" "win64:$suite") ;;
  *)
    echo "== no Wine can run here; the Wine tests will fail:"
    wine_cannot_run_reason
    windows=("win:$products" "win64:$products") ;;
esac
TAVRIN_NATIVE_UNIT_TESTS=OFF TAVRIN_UNITY_CORE=ON bash scripts/build.sh "${windows[@]}" "asan:$sanitized" native
echo "== built in $((SECONDS - started)) s"

# The sample AVIs first, once: both trees' tests read them.
bash tools/make_samples.sh build/samples >/dev/null
echo "== samples made ($((SECONDS - started)) s so far)"

# The sanitizer tree's tests run beside the native tree's: the Wine programs
# spend much of their time waiting for windows, which leaves the processors
# to the sanitizer tests. The Windows programs run from the native tree only.
status=0
# The sanitizer tree runs the unit and fuzz tests: the command line tests run
# the native tree's tavrin and the Windows one, and several trace the program
# (strace), under which LeakSanitizer cannot work.
asan_skip="wine|long|cli" native_skip=(-LE long) leaving=" (the long tests: scripts/test.sh --long)"
[ -n "$long" ] && asan_skip="wine|cli" native_skip=() leaving=", the long tests included" && export TAVRIN_FULL_SWEEPS=1
echo "== tests: build/asan (unit and fuzz tests under AddressSanitizer/UBSan$leaving) in the background, into build/asan-tests.log"
ctest --test-dir build/asan -j2 --output-on-failure -LE "$asan_skip" >build/asan-tests.log 2>&1 &
asan=$!
echo "== tests: build/native (command line tests and the Windows programs under Wine$leaving)"
ctest --test-dir build/native -j2 --output-on-failure "${native_skip[@]}" || status=1
echo "== tests: build/asan ($((SECONDS - started)) s so far)"
if wait $asan; then
  grep -E "tests passed|Total Test time" build/asan-tests.log
else
  cat build/asan-tests.log
  echo "== build/asan tests FAILED (see above)"
  status=1
fi
echo "== done in $((SECONDS - started)) s"
exit $status
