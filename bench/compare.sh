#!/usr/bin/env bash
# CompareFiles against diffutils cmp on two equal 1 GiB files read from the page cache, side
# by side: each tool runs RUNS times in turn, the best time of each counts.
#   bench/compare.sh        (BUILD_DIR=build, RUNS=5, SIZE_MIB=1024, TMPDIR for the files)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
runs=$(bench_size RUNS 5 2)
size_mib=$(bench_size SIZE_MIB 1024 128)

bench_build bench_compare

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
first=$work/first.bin
second=$work/second.bin
head -c $((size_mib * 1024 * 1024)) /dev/urandom >"$first"
cp "$first" "$second"
cat "$first" "$second" >/dev/null   # make sure every page of both is cached
bytes=$(stat -c %s "$first")

# Both tools are timed the same way, as whole commands from start to exit; each must say "equal".
now() { date +%s.%N; }
# timed VAR COMMAND...: runs the command, fails the benchmark unless it exits 0 (equal files),
# and keeps the best time so far in best_VAR.
timed() {
  local var=$1 start t best
  shift
  start=$(now)
  if ! "$@" >/dev/null; then
    echo "$* did not find the files equal" >&2
    exit 1
  fi
  t=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
  best=best_$var
  if [ -z "${!best}" ] || awk -v a="$t" -v b="${!best}" 'BEGIN { exit !(a < b) }'; then
    printf -v "$best" '%s' "$t"
  fi
}
best_ours= best_theirs=
for ((run = 0; run < runs; run++)); do
  timed ours "$build/bench/compare" "$first" "$second"
  timed theirs cmp "$first" "$second"
done

awk -v n="$bytes" -v o="$best_ours" -v t="$best_theirs" -v runs="$runs" 'BEGIN {
  printf "Comparing two equal %.0f MiB files from the page cache, best of %d runs\n", n / 1048576, runs
  printf "  CompareFiles  %6.3f s  %7.1f MB/s\n", o, 2 * n / o / 1e6
  printf "  cmp           %6.3f s  %7.1f MB/s\n", t, 2 * n / t / 1e6
  printf "  ratio (CompareFiles time / cmp time): %.2f\n", o / t
}'
# Reading both files once and comparing them should take no longer than cmp does.
bench_result compare-files "$best_ours" "$best_theirs" s "<=1.0"
