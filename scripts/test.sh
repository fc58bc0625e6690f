#!/usr/bin/env bash
# The test command. Installs what is missing, builds the Windows tree, the
# sanitizer tree and the native tree, runs the sanitizer tree's native tests,
# then, last, every test of the native tree: unit and command line tests and
# the Windows programs under Wine (on a private Xvfb display). Exits non-zero
# when anything fails.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
started=$SECONDS

bash scripts/deps.sh
bash scripts/build.sh win asan native
echo "== built in $((SECONDS - started)) s"

status=0
echo "== tests: build/asan (native tests under AddressSanitizer/UBSan)"
ctest --test-dir build/asan -j2 --output-on-failure -LE wine || status=1
if [ $status -ne 0 ]; then
  echo "== build/asan tests FAILED (see above); running the native tree's tests anyway"
fi
echo "== tests: build/native (everything, Wine included; $((SECONDS - started)) s so far)"
ctest --test-dir build/native -j2 --output-on-failure || status=1
exit $status
