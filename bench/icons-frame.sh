#!/usr/bin/env bash
# The cost of the 3D icons in a panel's frame: a listing of 150 entries over 15 extensions of
# the sample icons at 1024x768 under Xvfb and llvmpipe, labels off, median of 50 render and
# 50 pick passes with the icons and, in the same run, without them. Prints the icon overhead
# per frame against a budget of 30 ms (goal: at most 1.0) and the cold first frame, which
# reads the 15 models.
#   bench/icons-frame.sh     FRAMES=50, BUILD_DIR=build, SHOT=picture.png (a frame with icons)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
frames=$(bench_size FRAMES 50 10)
data=$build/bench/icons-frame-data

"$top/scripts/install-deps" test
bench_build bench_icons-frame pelvaxon

listing=$data/listing
if [ ! -d "$listing" ]; then
  echo "making a listing of 149 files over 15 extensions"
  mkdir -p "$listing.new"
  extensions=(txt pdf jpg html mp3 mp4 zip c sh json csv conf iso so an8)
  for ((i = 1; i <= 149; i++)); do
    truncate -s $(((i * 7919) % 100000)) "$listing.new/file-$(printf %03d "$i").${extensions[i % 15]}"
  done
  mv "$listing.new" "$listing"
fi
mkdir -p "$data/config"
export XDG_CONFIG_HOME=$data/config # the default font, whatever the user's settings say

out=$("$top/scripts/with-xvfb" "$build/bench/icons-frame" "$listing" "$build/ngc3132a.jpg" --icons "$build/icon3d/" \
  --frames "$frames" --outline ${SHOT:+--shot "$SHOT"})
value() { awk -v key="$1" '$1 == key { print $2 }' <<<"$out"; }
[ "$(value entries)" = 150 ] || { echo "the panel did not list 150 entries" >&2; exit 1; }
[ "$(value extensions)" = 15 ] || { echo "the panel did not draw 15 extensions" >&2; exit 1; }

render_icons=$(value render-icons) render_bare=$(value render-bare)
pick_icons=$(value pick-icons) pick_bare=$(value pick-bare)
cold=$(value cold)
render_overhead=$(awk -v a="$render_icons" -v b="$render_bare" 'BEGIN { d = a - b; printf "%.3f", (d > 0 ? d : 0) }')
pick_overhead=$(awk -v a="$pick_icons" -v b="$pick_bare" 'BEGIN { d = a - b; printf "%.3f", (d > 0 ? d : 0) }')
awk -v ri="$render_icons" -v rb="$render_bare" -v pi="$pick_icons" -v pb="$pick_bare" -v cold="$cold" \
    -v ro="$render_overhead" -v po="$pick_overhead" -v frames="$frames" 'BEGIN {
  printf "3D icons in a panel frame, 150 entries over 15 extensions at 1024x768 (llvmpipe), median of %d, ms\n", frames
  printf "                   render    pick\n"
  printf "  with icons     %8.1f %7.1f\n", ri, pi
  printf "  without        %8.1f %7.1f\n", rb, pb
  printf "  icon overhead  %8.1f %7.1f\n", ro, po
  printf "  overhead / 30  %8.2f %7.2f   goal: at most 1.0\n", ro / 30, po / 30
  printf "  cold first frame (reads 15 models): %.1f ms\n", cold
}'
bench_result icons-frame-render-overhead "$render_overhead" 30 ms "<=1.0"
bench_result icons-frame-pick-overhead "$pick_overhead" 30 ms "<=1.0"
