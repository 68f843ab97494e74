#!/usr/bin/env bash
# A panel's frame of a listing of 1000 entries at 1024x768 under Xvfb and llvmpipe, in one
# run: every label on, the same scene with labels suppressed, and the floor (a bare view
# drawing the same blocks from three display lists and the same label strings through the
# same display-list fonts). Goals for the labelled frame: at most 1.5 times the floor, and
# within a 50 ms budget. Measured with outline labels (the program's default) and bitmap ones;
# the frame without labels, the one a drag of a large listing draws, is held to the budget too.
#   bench/panel-frame.sh     FRAMES=50, BUILD_DIR=build, SHOT=picture.png (the labelled frame)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
frames=$(bench_size FRAMES 50 10)
data=$build/bench/panel-frame-data

"$top/scripts/install-deps" test
bench_build bench_panel-frame bench_panel-frame-floor pelvaxon

listing=$data/listing
if [ ! -d "$listing" ]; then
  echo "making a listing of 99 directories and 900 files"
  mkdir -p "$listing.new"
  for ((i = 1; i <= 99; i++)); do mkdir "$listing.new/folder-$(printf %03d "$i")"; done
  extensions=(txt jpg exe c pdf mp3 iso html)
  for ((i = 1; i <= 900; i++)); do
    truncate -s $(((i * 7919) % 100000 * (i % 13 + 1))) "$listing.new/file-$(printf %04d "$i").${extensions[i % 8]}"
  done
  mv "$listing.new" "$listing"
fi
mkdir -p "$data/config"
export XDG_CONFIG_HOME=$data/config # the default font, whatever the user's settings say
background=$build/ngc3132a.jpg

measure() { # TEXT-MODE-FLAG...: prints "labelled suppressed floor"
  local panel floor
  panel=$("$top/scripts/with-xvfb" "$build/bench/panel-frame" "$listing" "$background" --frames "$frames" "$@" ${SHOT:+--shot "$SHOT"})
  floor=$("$top/scripts/with-xvfb" "$build/bench/panel-frame-floor" "$listing" "$background" --frames "$frames" "$@")
  [ "$(awk '/^entries/ { print $2 }' <<<"$panel")" = 1000 ] || { echo "the panel did not list 1000 entries" >&2; exit 1; }
  echo "$(awk '/^labelled/ { print $2 }' <<<"$panel") $(awk '/^suppressed/ { print $2 }' <<<"$panel")" \
    "$(awk '/^floor/ { print $2 }' <<<"$floor")"
}

read -r outline_labelled outline_suppressed outline_floor < <(measure --outline)
read -r bitmap_labelled bitmap_suppressed bitmap_floor < <(SHOT= measure)

awk -v ol="$outline_labelled" -v os="$outline_suppressed" -v of="$outline_floor" \
    -v bl="$bitmap_labelled" -v bs="$bitmap_suppressed" -v bf="$bitmap_floor" -v frames="$frames" 'BEGIN {
  printf "panel frame, 1000 entries at 1024x768 (llvmpipe), median of %d frames, ms\n", frames
  printf "                      outline labels   bitmap labels\n"
  printf "  every label on      %14.1f  %14.1f\n", ol, bl
  printf "  labels suppressed   %14.1f  %14.1f\n", os, bs
  printf "  floor               %14.1f  %14.1f\n", of, bf
  printf "  labelled / floor    %14.2f  %14.2f   goal: at most 1.5\n", ol / of, bl / bf
  printf "  labelled / 50 ms    %14.2f  %14.2f   goal: at most 1.0\n", ol / 50, bl / 50
  printf "  suppressed / 50 ms  %14.2f  %14.2f   goal: at most 1.0\n", os / 50, bs / 50
}'
bench_result panel-frame-outline-floor "$outline_labelled" "$outline_floor" ms "<=1.5"
bench_result panel-frame-outline-budget "$outline_labelled" 50 ms "<=1.0"
bench_result panel-frame-bitmap-floor "$bitmap_labelled" "$bitmap_floor" ms "<=1.5"
bench_result panel-frame-bitmap-budget "$bitmap_labelled" 50 ms "<=1.0"
bench_result panel-frame-dragging-budget "$outline_suppressed" 50 ms "<=1.0"
