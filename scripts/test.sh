#!/usr/bin/env bash
# The test command. Installs what is missing, builds both Windows trees, the
# sanitizer tree and the native tree, runs the sanitizer tree's native tests,
# then, last, every test of the native tree: unit and command line tests and
# the Windows test programs under Wine (on private Xvfb displays). Exits
# non-zero when anything fails.
#
# The Windows test programs run on the architecture this machine can run:
# the whole set on i686 where 32-bit programs run, with the short set of
# tests/wine/smoke.txt on x86-64 too; otherwise the whole set on x86-64. Only
# what runs is built in full; the other tree builds Tavrin.exe and the plug-in.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
started=$SECONDS

bash scripts/deps.sh
source scripts/wine_arch.sh
runnable=$(wine_runnable_archs)
products=Tavrin,TavrinD
smoke=$products$(sed -n 's/^\(wt_[a-z0-9_]*\).*/,\1/p' tests/wine/smoke.txt | tr -d '\n')
case " $runnable " in
  *" i686 "*)
    echo "== Wine runs i686 and x86-64 here: whole Wine suite on i686, short set on x86-64"
    windows=(win "win64:$smoke") ;;
  *" x86_64 "*)
    echo "== this machine runs no 32-bit programs: whole Wine suite on x86-64 (i686 built, not run)"
    windows=("win:$products" win64) ;;
  *)
    echo "== no Wine can run here; the Wine tests will fail:"
    wine_cannot_run_reason
    windows=("win:$products" "win64:$products") ;;
esac
bash scripts/build.sh "${windows[@]}" asan native
echo "== built in $((SECONDS - started)) s"

status=0
echo "== tests: build/asan (native tests under AddressSanitizer/UBSan)"
ctest --test-dir build/asan -j2 --output-on-failure -LE wine || status=1
if [ $status -ne 0 ]; then
  echo "== build/asan tests FAILED (see above); running the native tree's tests anyway"
fi
echo "== tests: build/native (everything, Wine included; $((SECONDS - started)) s so far)"
ctest --test-dir build/native -j2 --output-on-failure || status=1
echo "== done in $((SECONDS - started)) s"
exit $status
