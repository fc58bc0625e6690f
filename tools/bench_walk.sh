#!/usr/bin/env bash
# Walk benchmark: what the chunk walk costs a split, `info` and `--clone`
# on a disk and on a cold page cache, side by side with cp in one run.
# Two tables:
#  - ext4 (a folder on a disk file system, default TMPDIR or /tmp): the large
#    (626 MB, 57,500 chunks) and small (91 MB, 177,188 chunks) files of
#    tools/bench_split.sh, inputs in the page cache, every output removed
#    (and everything flushed) before each command, so that each writes fresh
#    files. Rows: cp, cp && sync (the split's reference: it flushes its
#    outputs), split in two, info (the walk alone; against cp).
#  - cold cache (root): the large file on loop-mounted XFS and Btrfs images,
#    the page cache dropped before each command. Rows: cp --reflink=never
#    (the reference), cp --reflink=always, cat (reading the whole file),
#    info, split --clone, split --size-mb 100 --all --clone, split; then an
#    OpenDML file of 1.2 GB (ffmpeg, raw video): cp, cat, info, split --clone.
# Each round runs every command of a table once, in turn, so that other work
# on a shared machine falls on all of them alike; the tables give medians.
# With OLD_TAVRIN, every tavrin row is run with it too ("old:" rows).
# Goals: ext4 split <= 1.1 x cp && sync, info <= 0.1 x cp; cold info and
# split --clone <= 0.25 x cp --reflink=never.
# Usage: tools/bench_walk.sh [TAVRIN] [OLD_TAVRIN]   (ROUNDS, default 5;
# BENCH_COLD=0 / BENCH_DISK=0 leave the cold / disk table out; BENCH_FILE_SYSTEMS="xfs btrfs")
# Normal priority unless BENCH_RT=1: at real-time priority the split's three
# threads keep the kernel's write-back and completion work off both cores,
# and a split that flushes as it writes loses to cp && sync, which flushes
# after (large file: 0.69 s against 0.64 s at normal priority, median of 7).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BENCH_RT=${BENCH_RT:-0}
. "$HERE/bench_lib.sh"
TAVRIN=$(realpath "${1:-$HERE/../build/native/tavrin}")
OLD=${2:+$(realpath "$2")}
[ -x "$TAVRIN" ] || { echo "bench_walk: no tavrin binary at $TAVRIN" >&2; exit 1; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-walk-bench.XXXXXX")
FS=$(df -PT "$WORK" | awk 'NR == 2 { print $2 }')
MOUNTS=()
cleanup() {
  local m
  for m in "${MOUNTS[@]}"; do umount "$m" 2>/dev/null || true; rmdir "$m" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

# Runs the commands (label|outputs to remove|shell command) ROUNDS times in
# turn; before each: its outputs removed, sync, and with COLD=1 the page
# cache dropped. Prints "label median" lines.
rounds() {
  local run label clean command start end i
  local -A times=()
  for i in $(seq "$ROUNDS"); do
    for run in "$@"; do
      IFS='|' read -r label clean command <<<"$run"
      rm -f $clean
      sync
      [ "${COLD:-0}" = 1 ] && echo 3 >/proc/sys/vm/drop_caches
      start=$EPOCHREALTIME
      "${BENCH_PREFIX[@]}" bash -c "$command" >/dev/null 2>&1 || echo "bench_walk: '$command' failed" >&2
      end=$EPOCHREALTIME
      times[$label]+="$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }') "
    done
  done
  for run in "$@"; do
    IFS='|' read -r label _ <<<"$run"
    echo "$label $(printf '%s\n' ${times[$label]} | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }')"
  done
}

row() { # FILE OPERATION SECONDS REFERENCE REFERENCE_NAME
  printf '| %-26s | %-38s | %9.3f | %6.2f x %-22s |\n' "$1" "$2" "$3" \
    "$(awk "BEGIN { print $3 / ($4 > 0 ? $4 : 0.001) }")" "$5"
}
header() {
  printf '| %-26s | %-38s | %9s | %-31s |\n' file operation "median s" "ratio"
  printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..28})" "$(printf -- '-%.0s' {1..40})" "-----------" \
    "$(printf -- '-%.0s' {1..33})"
}

# The tavrin rows of a table, for each binary: LABEL OUTPUTS ARGS.
tavrin_runs() {
  echo "$1@new|$2|$TAVRIN $3"
  [ -z "$OLD" ] || echo "$1@old|$2|$OLD $3"
}

# Runs a table's commands and prints its rows: info against INFO_REF, cp
# against itself, the rest against REF (labels of commands in the table).
table() { # LABEL INFO_REF REF RUN...
  local label=$1 info_ref=$2 ref=$3 results name seconds shown against
  shift 3
  results=$(rounds "$@")
  while read -r name seconds; do
    against=$ref
    case $name in info*) against=$info_ref ;; cp) against=cp ;; esac
    shown=$(tr '_' ' ' <<<"${name%@*}")
    [ "$name" = "${name%@*}" ] || shown="$shown (${name##*@})"
    row "$label" "$shown" "$seconds" "$(awk -v n="$against" '$1 == n { print $2 }' <<<"$results")" \
      "$(tr '_' ' ' <<<"$against")"
  done <<<"$results"
}

echo "tavrin walk benchmark: $(nproc) cores, $(uname -r), load $(cut -d' ' -f1-3 /proc/loadavg), median of $ROUNDS, $(bench_priority)"
[ "${BENCH_DISK:-1}" = 1 ] && echo && echo "Disk ($FS at $WORK), inputs in the page cache, fresh outputs:" && header
for size in $([ "${BENCH_DISK:-1}" = 1 ] && echo large small); do
  in=$WORK/$size.avi
  case $size in
    large) python3 "$HERE/bench_split.py" "$in" 28750 14700 7056; seconds=575 ;;
    small) python3 "$HERE/bench_split.py" "$in" 88594 600 384; seconds=1771 ;;
  esac
  label="$size $(($(stat -c %s "$in") / 1000000)) MB"
  cat "$in" >/dev/null
  runs=("cp|$WORK/copy.avi|cp $in $WORK/copy.avi"
         "cp_&&_sync|$WORK/copy.avi|cp $in $WORK/copy.avi && sync $WORK/copy.avi")
  while IFS= read -r s; do runs+=("$s"); done < <(
    tavrin_runs "split,_both_outputs" "$WORK/$size-1.avi $WORK/$size-2.avi" "split $in --seconds $seconds"
    tavrin_runs "info" "" "info $in")
  table "$label" cp "cp_&&_sync" "${runs[@]}"
  rm -f "$WORK"/*.avi
done

[ "${BENCH_COLD:-1}" = 1 ] && [ "$(id -u)" = 0 ] || exit 0
echo
echo "Cold page cache (dropped before each command), loop-mounted images on $FS:"
header
for fs in ${BENCH_FILE_SYSTEMS:-xfs btrfs}; do
  img=$WORK/$fs.img dir=$WORK/$fs
  bench_mount_image "$fs" 4G "$img" "$dir"
  MOUNTS+=("$dir")
  in=$dir/large.avi
  python3 "$HERE/bench_split.py" "$in" 28750 14700 7056
  label="$fs, large $(($(stat -c %s "$in") / 1000000)) MB"
  runs=("cp_--reflink=never|$dir/copy.avi|cp --reflink=never $in $dir/copy.avi"
         "cp_--reflink=always|$dir/copy.avi|cp --reflink=always $in $dir/copy.avi"
         "cat_(reads_the_file)||cat $in")
  while IFS= read -r s; do runs+=("$s"); done < <(
    tavrin_runs "info" "" "info $in"
    tavrin_runs "split_--clone" "$dir/large-*.avi" "split $in --seconds 575 --clone"
    tavrin_runs "split_--size-mb_100_--all_--clone" "$dir/large-*.avi" "split $in --size-mb 100 --all --clone"
    tavrin_runs "split" "$dir/large-*.avi" "split $in --seconds 575")
  COLD=1 table "$label" "cp_--reflink=never" "cp_--reflink=never" "${runs[@]}"
  rm -f "$dir"/*.avi
  # An OpenDML file past 1 GiB (ffmpeg, raw video: 3,738 chunks of up to 900 KB).
  in=$dir/odml.avi
  ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 52 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$in"
  label="$fs, OpenDML $(($(stat -c %s "$in") / 1000000)) MB"
  runs=("cp_--reflink=never|$dir/copy.avi|cp --reflink=never $in $dir/copy.avi"
         "cat_(reads_the_file)||cat $in")
  while IFS= read -r s; do runs+=("$s"); done < <(
    tavrin_runs "info" "" "info $in"
    tavrin_runs "split_--clone" "$dir/odml-*.avi" "split $in --seconds 26 --clone")
  COLD=1 table "$label" "cp_--reflink=never" "cp_--reflink=never" "${runs[@]}"
  rm -f "$dir"/*.avi
  umount "$dir"
  MOUNTS=()
  rmdir "$dir"
  rm -f "$img"
done
