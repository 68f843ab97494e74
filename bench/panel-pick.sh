#!/usr/bin/env bash
# A click's pick pass against a frame of the same scene, in one run, under Xvfb and llvmpipe:
# a panel of 1024x768 over listings of 1000 and 10,000 entries, every label on. Goal: a pick
# costs at most a frame (ratio pick/render at most 1.0).
#   bench/panel-pick.sh     FRAMES=30, BUILD_DIR=build
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
. "$top/bench/panel-listing.sh"
build=${BUILD_DIR:-$top/build}
frames=$(bench_size FRAMES 30 10)
data=$build/bench/panel-pick-data

"$top/scripts/install-deps" test
bench_build bench_panel-pick pelvaxon

mkdir -p "$data/config"
export XDG_CONFIG_HOME=$data/config # the default font, whatever the user's settings say
background=$build/ngc3132a.jpg

printf "pick pass against a frame, 1024x768 (llvmpipe), median of %d, ms\n" "$frames"
printf "  %8s %10s %10s %10s\n" entries render pick pick/render
for entries in 1000 10000; do
  listing=$(panel_listing "$entries")
  out=$("$top/scripts/with-xvfb" "$build/bench/panel-pick" "$listing" "$background" --frames "$frames")
  [ "$(awk '/^entries/ { print $2 }' <<<"$out")" = "$entries" ] || { echo "the panel did not list $entries entries" >&2; exit 1; }
  render=$(awk '/^render/ { print $2 }' <<<"$out")
  pick=$(awk '/^pick/ { print $2 }' <<<"$out")
  awk -v n="$entries" -v r="$render" -v p="$pick" 'BEGIN { printf "  %8d %10.1f %10.1f %10.2f   goal: at most 1.0\n", n, r, p, p / r }'
  results+=("panel-pick-$entries $pick $render")
done
for result in "${results[@]}"; do
  read -r work pick render <<<"$result"
  bench_result "$work" "$pick" "$render" ms "<=1.0"
done
