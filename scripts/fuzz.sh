#!/usr/bin/env bash
# Fuzzes one target for a while: builds build/fuzz with clang's libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, runs fuzz/fuzz_TARGET.cpp
# for SECONDS on its regression corpus (new inputs go to
# build/fuzz/corpus/TARGET, crashes to build/fuzz/artifacts/TARGET/) and
# prints the CPU seconds spent. A crash worth keeping belongs in
# fuzz/corpus/TARGET, where the normal test run replays it.
# Usage: scripts/fuzz.sh TARGET SECONDS   (targets: analysis split pieces merge join repair settings frame)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
target=${1:?usage: fuzz.sh TARGET SECONDS}
seconds=${2:?usage: fuzz.sh TARGET SECONDS}
[ -f "fuzz/fuzz_$target.cpp" ] || { echo "fuzz.sh: no target fuzz/fuzz_$target.cpp" >&2; exit 2; }

cmake -S "$ROOT" -B build/fuzz -DTAVRIN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ >build/fuzz.configure.log 2>&1 || { cat build/fuzz.configure.log; exit 1; }
cmake --build build/fuzz -j"${TAVRIN_JOBS:-2}" --target "fuzz_$target"

corpus=build/fuzz/corpus/$target
artifacts=build/fuzz/artifacts/$target
mkdir -p "$corpus" "$artifacts" "fuzz/corpus/$target"
log=build/fuzz/$target.log
TIMEFORMAT='%U %S'
{ time { build/fuzz/"fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" \
    >"$log" 2>&1 && echo 0 >"$log.status" || echo $? >"$log.status"; }; } 2>"$log.time"
status=$(cat "$log.status")
tail -12 "$log"
echo "fuzz_$target: $(awk '{printf "%.1f", $1 + $2}' "$log.time") CPU seconds, exit $status"
exit "$status"
