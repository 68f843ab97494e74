#!/usr/bin/env bash
# Times the file operation engine against coreutils on one generated tree (a 1 GiB file and
# 20,000 small files), side by side in one run: a copy against "cp -a", a move across two
# filesystems against "mv", a permanent delete against "rm -rf". Prints the times and ratios.
#   bench/fileops.sh [DIR]
# Both filesystems are tmpfs mounts in a private mount namespace (so the script runs as
# root): the figures then measure the work of each tool, not the noise of a shared disk.
# DIR is where they are mounted; without it a temporary directory is used.
# BUILD_DIR picks the build (default build/), RUNS the runs per tool (best counts, default 3),
# SMALL_FILES and BIG_MIB the tree.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/bench-result.sh"
build=${BUILD_DIR:-$here/build}
runs=$(bench_size RUNS 3 1)
small=$(bench_size SMALL_FILES 20000 2000)
big=$(bench_size BIG_MIB 1024 128)

if [ -z "${FILEOPS_IN_NAMESPACE:-}" ]; then
  bench_build bench_fileops
  exec unshare --mount --propagation private env FILEOPS_IN_NAMESPACE=1 "$0" "$@"
fi
harness=$build/bench/fileops

root=${1:-}
if [ -z "$root" ]; then
  root=$(mktemp -d)
  trap 'umount "$root/here" "$root/other"; rm -rf "$root"' EXIT
else
  trap 'umount "$root/here" "$root/other"' EXIT
fi
mkdir -p "$root/here" "$root/other"
mount -t tmpfs -o size=$((big * 3 + 1024))m none "$root/here"
mount -t tmpfs -o size=$((big + 1024))m none "$root/other"
work=$root/here
other=$root/other
tree=$work/tree
"$harness" make "$tree" "$small" "$big"

# Wall time in milliseconds of one command; `prepare` runs first, untimed.
time_ms() {
  local start end
  sync
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

# Best of $runs: prepare (untimed), the timed command, clean up (untimed).
best_of() { # prepare cleanup command...
  local prepare=$1 cleanup=$2 best='' t
  shift 2
  for _ in $(seq "$runs"); do
    eval "$prepare"
    t=$(time_ms "$@")
    eval "$cleanup"
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}

copy_ours=$(best_of "mkdir -p $work/out" "rm -rf $work/out" "$harness" copy "$tree" "$work/out")
copy_cp=$(best_of "mkdir -p $work/out" "rm -rf $work/out" cp -a "$tree" "$work/out")
move_ours=$(best_of "cp -a $tree $work/moving" "rm -rf $other/moving $work/moving" \
  "$harness" move "$work/moving" "$other")
move_mv=$(best_of "cp -a $tree $work/moving" "rm -rf $other/moving $work/moving" \
  mv "$work/moving" "$other")
delete_ours=$(best_of "cp -a $tree $work/doomed" "rm -rf $work/doomed" "$harness" delete "$work/doomed")
delete_rm=$(best_of "cp -a $tree $work/doomed" "rm -rf $work/doomed" rm -rf "$work/doomed")

report() { # title ours-ms peer-name peer-ms
  awk -v t="$1" -v o="$2" -v n="$3" -v p="$4" \
    'BEGIN { printf "%-40s pelvaxon %8d ms   %-8s %8d ms   ratio %.2f (goal <= 1.2)\n", t, o, n, p, o / p }'
}
echo "tree: one ${big} MiB file and ${small} small files"
report "copy" "$copy_ours" "cp -a" "$copy_cp"
report "move to another filesystem" "$move_ours" "mv" "$move_mv"
report "permanent delete" "$delete_ours" "rm -rf" "$delete_rm"
bench_result fileops-copy "$copy_ours" "$copy_cp" ms "<=1.2"
bench_result fileops-move-across "$move_ours" "$move_mv" ms "<=1.2"
bench_result fileops-delete "$delete_ours" "$delete_rm" ms "<=1.2"
