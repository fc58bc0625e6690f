#!/usr/bin/env bash
# Repair benchmark: `tavrin repair` of the split benchmark's two generated
# files (625 MB of large chunks, 88 MB of ~177,000 small ones) damaged the
# two usual ways, its idx1 taken away and cut at 70% of its data, against
# `cp` of the damaged file. Prints one table (tools/bench_lib.sh).
# Goals: repair <= 1.1 x cp (one pass, copying as the split does); peak
# memory a few MB plus 16 bytes a chunk (a 4 GiB recording of MPEG-4 at
# 1 Mbit/s with MP3 sound holds some 2 million chunks: about 30 MiB).
# Usage: tools/bench_repair.sh [TAVRIN_BINARY] [WORKDIR]   (needs ~1.5 GB free)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
WORK=$(bench_workdir "${2:-}" 1600000 tavrin-repair-bench)
trap 'rm -f "$WORK"/*.avi; [ -n "${2:-}" ] || rmdir "$WORK"' EXIT
[ -x "$TAVRIN" ] || { echo "bench_repair: no tavrin binary at $TAVRIN" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench_repair: /usr/bin/time is needed (package time)" >&2; exit 1; }

# Writes $2 from $1 with its idx1 taken away (noindex) or cut at 70% of its data (cut).
damage() { # IN OUT KIND
  python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
src, dst, kind = sys.argv[1:]
with open(src, "rb") as f:
    b = f.read()
p = 12
movi = idx1 = None
while p + 8 <= len(b):
    code, size = b[p:p + 4], struct.unpack_from("<I", b, p + 4)[0]
    if code == b"LIST" and b[p + 8:p + 12] == b"movi":
        movi = p
    if code == b"idx1":
        idx1 = p
    p += 8 + size + (size & 1)
end = idx1 if kind == "noindex" else movi + (idx1 - movi) * 7 // 10
with open(dst, "wb") as f:
    f.write(b[:end])
PY
}

bench() { # NAME FRAMES VIDEO_BYTES AUDIO_BYTES
  local name=$1 whole=$WORK/$1-whole.avi
  python3 "$HERE/bench_split.py" "$whole" "$2" "$3" "$4"
  for kind in noindex cut; do
    local in=$WORK/$name-$kind.avi label cp cpk t k
    damage "$whole" "$in" "$kind"
    label="$name $(($(stat -c %s "$in") / 1000000)) MB, $kind"
    cat "$in" >/dev/null  # into the page cache
    read -r cp cpk < <(bench_measure "$WORK/copy.avi" cp "$in" "$WORK/copy.avi")
    bench_row "$label" "cp" "$cp" "$cp" "$cpk"
    read -r t k < <(bench_measure "$WORK/$name-$kind-r.avi" "$TAVRIN" repair "$in")
    bench_row "$label" "repair" "$t" "$cp" "$k"
    rm -f "$in"
  done
  rm -f "$whole"
}

echo "tavrin repair benchmark: $(nproc) cores, $(uname -r), work folder $WORK ($(df -PT "$WORK" | awk 'NR == 2 { print $2 }')), median of $ROUNDS, $(bench_priority)"
bench_header
bench large 28750 14700 7056
bench small 88594 600 384
