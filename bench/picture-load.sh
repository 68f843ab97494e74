#!/usr/bin/env bash
# The texture record of a 6000x4000 photo-like JPEG (decode, stretch to 2048x1024, repack)
# against djpeg decoding the same file to /dev/null, side by side in one run. Both are timed
# as whole commands from start to exit, in turn; the median of RUNS counts.
#   bench/picture-load.sh            RUNS=11 by default, BUILD_DIR=build
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
runs=$(bench_size RUNS 11 5)
data=$build/bench/picture-data

"$top/scripts/install-deps" test
bench_build bench_picture-load

mkdir -p "$data"
photo=$data/photo-6000x4000.jpg
if [ ! -s "$photo" ]; then
  echo "making $(basename "$photo")"
  convert -size 6000x4000 -seed 7 plasma:fractal -blur 0x1 -attenuate 0.3 +noise Gaussian -quality 90 "$photo"
fi
ours_check=$("$build/bench/picture-load" "$photo")
[ "$ours_check" = "$photo 2048 1024" ] || { echo "unexpected conversion: $ours_check" >&2; exit 1; }
djpeg -outfile /dev/null "$photo"

pin=()
command -v taskset >/dev/null && pin=(taskset -c "${BENCH_CPU:-1}")
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.4f", b - a }'; }
ours=() peer=()
for ((run = 0; run < runs; run++)); do
  start=$(now); "${pin[@]}" "$build/bench/picture-load" "$photo" >/dev/null; ours+=("$(elapsed "$start")")
  start=$(now); "${pin[@]}" djpeg -outfile /dev/null "$photo"; peer+=("$(elapsed "$start")")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ours_median=$(median "${ours[@]}")
peer_median=$(median "${peer[@]}")
inproc=$("${pin[@]}" "$build/bench/picture-load" "$photo" "$runs" | awk '{ print $2 }')

awk -v o="$ours_median" -v p="$peer_median" -v i="$inproc" -v runs="$runs" 'BEGIN {
  printf "6000x4000 JPEG (%.0f Mpixel), median of %d runs as whole commands\n", 24, runs
  printf "  texture record (decode, stretch to 2048x1024, repack)  %7.3f s   (%.3f s in process)\n", o, i
  printf "  djpeg to /dev/null                                      %7.3f s\n", p
  printf "  ratio (ours / djpeg): %.2f   goal: at most 1.5\n", o / p
}'
bench_result picture-load "$ours_median" "$peer_median" s "<=1.5"
