#!/usr/bin/env bash
# A panel's frame of a listing of 1000 entries at 1024x768 under Xvfb and llvmpipe, in one
# run: the repaint of an unchanged view with every label on, frames whose camera turns a
# little each time, the same scene with labels suppressed (what a drag of a large listing
# draws), and a click that marks an entry, from the release to the repainted frame on screen.
# Against two floors, bare views drawing the same scene worked out beforehand: labels through
# the same display-list fonts, and labels as one batch of all their triangles (bitmap labels:
# of all their glyphs' pixels) drawn in one call. Measured with outline labels (the program's
# default) and bitmap ones, and with outline labels over 10,000 entries too.
# Goals: outline labels in 100 ms, bitmap labels in 50 ms, 10,000 entries in a second, a drag's
# frame in 16 ms, a click in 150 ms, at most 1.5 times the floor and twice the batched floor.
#   bench/panel-frame.sh     FRAMES=50, BUILD_DIR=build, SHOT=picture.png (the labelled frame)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
. "$top/bench/panel-listing.sh"
build=${BUILD_DIR:-$top/build}
frames=$(bench_size FRAMES 50 10)
data=$build/bench/panel-frame-data

"$top/scripts/install-deps" test
bench_build bench_panel-frame bench_panel-frame-floor pelvaxon

mkdir -p "$data/config"
export XDG_CONFIG_HOME=$data/config # the default font, whatever the user's settings say
background=$build/ngc3132a.jpg

# LISTING HARNESS ARGUMENT...: the harness's output, after checking it listed the entries
run() {
  local listing=$1 harness=$2 out
  shift 2
  out=$("$top/scripts/with-xvfb" "$build/bench/$harness" "$listing" "$background" --frames "$frames" "$@")
  [ "$(awk '/^entries/ { print $2 }' <<<"$out")" = "${listing##*-}" ] ||
    { echo "$harness did not list ${listing##*-} entries" >&2; exit 1; }
  echo "$out"
}
figure() { awk -v name="$1" '$1 == name { print $2 }' <<<"$2"; }

listing=$(panel_listing 1000)
outline=$(run "$listing" panel-frame --outline ${SHOT:+--shot "$SHOT"})
bitmap=$(run "$listing" panel-frame)
outline_floors=$(run "$listing" panel-frame-floor --outline)
bitmap_floors=$(run "$listing" panel-frame-floor)
large=$(run "$(panel_listing 10000)" panel-frame --outline)

ol=$(figure labelled "$outline") om=$(figure moved "$outline") os=$(figure suppressed "$outline")
oc=$(figure click "$outline") of=$(figure floor "$outline_floors") ob=$(figure batched "$outline_floors")
bl=$(figure labelled "$bitmap") bm=$(figure moved "$bitmap") bs=$(figure suppressed "$bitmap")
bc=$(figure click "$bitmap") bf=$(figure floor "$bitmap_floors") bb=$(figure batched "$bitmap_floors")
ll=$(figure labelled "$large") lm=$(figure moved "$large") ls=$(figure suppressed "$large")

awk -v ol="$ol" -v om="$om" -v os="$os" -v oc="$oc" -v of="$of" -v ob="$ob" \
    -v bl="$bl" -v bm="$bm" -v bs="$bs" -v bc="$bc" -v bf="$bf" -v bb="$bb" \
    -v ll="$ll" -v lm="$lm" -v ls="$ls" -v frames="$frames" 'BEGIN {
  printf "panel frame at 1024x768 (llvmpipe), median of %d frames, ms\n", frames
  printf "                          1000, outline   1000, bitmap   10,000, outline\n"
  printf "  repaint, labels on      %14.1f %14.1f %17.1f\n", ol, bl, ll
  printf "  camera moved            %14.1f %14.1f %17.1f\n", om, bm, lm
  printf "  labels suppressed       %14.1f %14.1f %17.1f\n", os, bs, ls
  printf "  click, to the screen    %14.1f %14.1f\n", oc, bc
  printf "  floor                   %14.1f %14.1f\n", of, bf
  printf "  batched floor           %14.1f %14.1f\n", ob, bb
  printf "  repaint / floor         %14.2f %14.2f   goal: at most 1.5\n", ol / of, bl / bf
  printf "  repaint / batched floor %14.2f %14.2f   goal: at most 2.0\n", ol / ob, bl / bb
}'
bench_result panel-frame-outline-floor "$ol" "$of" ms "<=1.5"
bench_result panel-frame-outline-batched-floor "$ol" "$ob" ms "<=2.0"
bench_result panel-frame-bitmap-floor "$bl" "$bf" ms "<=1.5"
bench_result panel-frame-bitmap-batched-floor "$bl" "$bb" ms "<=2.0"
bench_result panel-frame-outline-budget "$ol" 100 ms "<=1.0"
bench_result panel-frame-outline-moved-budget "$om" 100 ms "<=1.0"
bench_result panel-frame-bitmap-budget "$bl" 50 ms "<=1.0"
bench_result panel-frame-10000-outline "$ll" 1000 ms "<=1.0"
bench_result panel-frame-dragging-budget "$os" 16 ms "<=1.0"
bench_result panel-frame-click "$oc" 150 ms "<=1.0"
