# Shared by tools/bench_*.sh: timing, peak memory and the one table each prints.
# Every command runs ROUNDS times (default 5) with its inputs in the page
# cache; the table gives the median wall-clock time, its ratio to the
# reference (cp of the same bytes) and the largest peak resident size seen.

ROUNDS=${ROUNDS:-5}
# On a machine shared with other work the times mostly measure the others.
# Where allowed (root), every timed command, cp included, runs at a real-time
# priority so that it gets the processors as on an idle machine; BENCH_RT=0
# turns this off. The tables say which way they were made.
BENCH_PREFIX=()
if [ "${BENCH_RT:-1}" = 1 ] && chrt -f 10 true 2>/dev/null; then BENCH_PREFIX=(chrt -f 10); fi
bench_priority() { [ ${#BENCH_PREFIX[@]} -gt 0 ] && echo "real-time priority" || echo "normal priority"; }

# Makes a SIZE (truncate's units) image of file system FS (xfs with reflink,
# or btrfs) at IMG and mounts it on DIR, made if missing; the caller unmounts
# it (root only).
bench_mount_image() { # FS SIZE IMG DIR
  truncate -s "$2" "$3"
  case $1 in
    xfs) mkfs.xfs -q -f -m reflink=1 "$3" ;;
    btrfs) mkfs.btrfs -q -f "$3" >/dev/null ;;
    *) echo "bench_mount_image: unknown file system '$1' (xfs, btrfs)" >&2; return 1 ;;
  esac
  mkdir -p "$4"
  mount -o loop "$3" "$4"
}

# Picks a work folder: $1 if given, else /dev/shm when it has room for
# NEEDED_KB (memory-backed: no disk write-back disturbs the times), else TMPDIR.
bench_workdir() { # [WORKDIR] NEEDED_KB NAME
  if [ -n "$1" ]; then
    mkdir -p "$1" && echo "$1"
  elif [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt "$2" ]; then
    mktemp -d "/dev/shm/$3.XXXXXX"
  else
    mktemp -d "${TMPDIR:-/tmp}/$3.XXXXXX"
  fi
}

# "MEDIAN_SECONDS PEAK_KB" of ROUNDS runs; CLEAN (a glob) is removed before each
# (and with BENCH_SYNC=1 everything written before is flushed to the disk
# first, so that no run pays for the write-back of the one before).
bench_measure() { # CLEAN COMMAND...
  local clean=$1 times=() peak=0 out record start end
  shift
  record=$(mktemp)
  for _ in $(seq "$ROUNDS"); do
    rm -f $clean
    [ "${BENCH_SYNC:-0}" = 1 ] && sync
    # /usr/bin/time gives hundredths of a second: the wall clock is read
    # around it instead (its own start costs about a millisecond, cp's too).
    start=$EPOCHREALTIME
    /usr/bin/time -o "$record" -f "%M" "${BENCH_PREFIX[@]}" "$@" >/dev/null 2>&1
    end=$EPOCHREALTIME
    out=$(tail -n 1 "$record")
    times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')")
    [ "$out" -gt "$peak" ] && peak=$out
  done
  rm -f $clean "$record"
  printf '%s\n' "${times[@]}" | sort -n | awk -v p="$peak" '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)], p }'
}

bench_header() {
  printf '| %-34s | %-34s | %9s | %11s | %8s |\n' file operation "median s" "ratio to cp" "peak MB"
  printf '|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..36})" "$(printf -- '-%.0s' {1..36})" "-----------" \
    "-------------" "----------"
}

bench_row() { # FILE OPERATION SECONDS REFERENCE_SECONDS PEAK_KB
  printf '| %-34s | %-34s | %9.3f | %11.2f | %8.1f |\n' "$1" "$2" "$3" \
    "$(awk "BEGIN { print $3 / ($4 > 0 ? $4 : 0.001) }")" "$(awk "BEGIN { print $5 / 1024 }")"
}
