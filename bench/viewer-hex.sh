#!/usr/bin/env bash
# The viewer's hex pages (THexConversion over the whole file) against xxd -g1 -c16, both
# writing to /dev/null, on one random file read from the page cache; each runs RUNS times
# in turn and the best time of each counts. Then the time until a viewer in hex mode has
# painted its first page of the same file (offscreen), best of RUNS.
#   bench/viewer-hex.sh     (BUILD_DIR=build, RUNS=5, SIZE_MIB=64, TMPDIR for the file)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
runs=$(bench_size RUNS 5 2)
size_mib=$(bench_size SIZE_MIB 64 16)

bench_build bench_viewer-hex
harness=$build/bench/viewer-hex

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/random.bin
head -c $((size_mib * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null   # make sure every page is cached

# Both dumps must hold the same offsets and bytes: compare them once, reduced to those.
reduce() { awk '{ o = $1; sub(":", "", o); h = ""; for (i = 2; i <= 17 && $i ~ /^[0-9A-Fa-f][0-9A-Fa-f]$/; i++) h = h $i; print toupper(o) " " toupper(h) }'; }
if ! cmp -s <("$harness" pages "$file" | head -n 100000 | reduce) <(xxd -g1 -c16 "$file" | head -n 100000 | reduce); then
  echo "the hex pages and xxd's dump differ" >&2
  exit 1
fi

now() { date +%s.%N; }
# timed VAR COMMAND...: runs the command with its output to /dev/null and keeps the best
# time so far in VAR.
timed() {
  local var=$1 start t
  shift
  start=$(now)
  "$@" >/dev/null
  t=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
  if [ -z "${!var}" ] || awk -v a="$t" -v b="${!var}" 'BEGIN { exit !(a < b) }'; then
    printf -v "$var" '%s' "$t"
  fi
}
ours= theirs= first=
for ((run = 0; run < runs; run++)); do
  timed ours "$harness" pages "$file"
  timed theirs xxd -g1 -c16 "$file"
  ms=$(QT_QPA_PLATFORM=offscreen "$harness" first-page "$file" 2>/dev/null)
  if [ -z "$first" ] || awk -v a="$ms" -v b="$first" 'BEGIN { exit !(a < b) }'; then
    first=$ms
  fi
done

awk -v mib="$size_mib" -v o="$ours" -v t="$theirs" -v f="$first" -v runs="$runs" 'BEGIN {
  printf "Hex pages of a %d MiB random file to /dev/null, best of %d runs\n", mib, runs
  printf "  THexConversion  %6.3f s\n", o
  printf "  xxd -g1 -c16    %6.3f s\n", t
  printf "  ratio (ours / xxd): %.3f\n", o / t
  printf "First page of the same file in a hex viewer: %.1f ms\n", f
}'
# The pages must be made at least as fast as xxd makes its dump.
bench_result viewer-hex "$ours" "$theirs" s "<=1.0"
