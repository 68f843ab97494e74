#!/usr/bin/env bash
# FileMD5 against coreutils md5sum on one 1 GiB file read from the page cache, side by
# side: each tool runs RUNS times in turn, the best time of each counts.
#   bench/md5.sh            (BUILD_DIR=build, RUNS=5, SIZE_MIB=1024, TMPDIR for the file)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
runs=$(bench_size RUNS 5 2)
size_mib=$(bench_size SIZE_MIB 1024 128)

bench_build bench_md5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/random.bin
head -c $((size_mib * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null   # make sure every page is cached
bytes=$(stat -c %s "$file")

# Both tools are timed the same way, as whole commands from start to exit.
now() { date +%s.%N; }
# timed VAR COMMAND...: runs the command, keeps the first word of its output in VAR and
# the best time so far in best_VAR.
timed() {
  local var=$1 start out t best
  shift
  start=$(now)
  out=$("$@")
  t=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
  printf -v "$var" '%s' "${out%% *}"
  best=best_$var
  if [ -z "${!best}" ] || awk -v a="$t" -v b="${!best}" 'BEGIN { exit !(a < b) }'; then
    printf -v "$best" '%s' "$t"
  fi
}
best_ours= best_theirs= ours= theirs=
for ((run = 0; run < runs; run++)); do
  timed ours "$build/bench/md5" "$file"
  timed theirs md5sum "$file"
done

if [ "${ours,,}" != "$theirs" ]; then
  echo "digests differ: FileMD5 $ours, md5sum $theirs" >&2
  exit 1
fi
awk -v n="$bytes" -v o="$best_ours" -v t="$best_theirs" -v runs="$runs" 'BEGIN {
  printf "MD5 of %.0f MiB from the page cache, best of %d runs\n", n / 1048576, runs
  printf "  FileMD5  %6.3f s  %7.1f MB/s\n", o, n / o / 1e6
  printf "  md5sum   %6.3f s  %7.1f MB/s\n", t, n / t / 1e6
  printf "  ratio (FileMD5 throughput / md5sum throughput): %.2f\n", t / o
}'
# A plain RFC 1321 build should take at most 1.5 times md5sum's time.
bench_result md5-file "$(awk -v n="$bytes" -v o="$best_ours" 'BEGIN { printf "%.1f", n / o / 1e6 }')" \
  "$(awk -v n="$bytes" -v t="$best_theirs" 'BEGIN { printf "%.1f", n / t / 1e6 }')" MB/s ">=0.67"
