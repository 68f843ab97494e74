#!/usr/bin/env bash
# Optimising GIF animations: generated unoptimised 640x480 animations of 100 and 500 whole
# frames (a photo-like background, a moving ball, a ticking counter, every other frame with a
# table of its own). Our OptimizeColorMap and Optimize with every option, in milliseconds and
# per megapixel; the file after our Optimize and save against gifsicle -O3 of the same input,
# side by side in one run. Our optimised 100-frame file is first cross-checked: ImageMagick
# coalesces it to the input's very frames.
# Goals: size at most 1.5 times gifsicle's; time linear in pixels (the per-megapixel time at
# 500 frames at most 1.2 times that at 100).
#   bench/gif-optimize.sh        REPEATS=15 by default, BUILD_DIR=build, BENCH_CPU=1
. "$(dirname "$0")/gif-setup.sh"
bench_build bench_gif-optimize
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for frames in 100 500; do
  "$build/bench/gif-optimize" --make "$frames" "$work/anim-$frames.gif"
  "$build/bench/gif-optimize" --save "$work/anim-$frames.gif" "$work/ours-$frames.gif"
  gifsicle -O3 "$work/anim-$frames.gif" -o "$work/gifsicle-$frames.gif"
done
coalesced() { convert "$1" -coalesce -depth 8 rgba:- | md5sum; }
same_output "ImageMagick coalesces our optimised 100 frames as their input" \
  "$(coalesced "$work/ours-100.gif")" "$(coalesced "$work/anim-100.gif")"

printf '%-14s %6s %8s %13s %13s %13s %13s %12s %12s %6s\n' file frames Mpixel "colormap ms" "colormap ms/Mpx" \
  "optimize ms" "optimize ms/Mpx" "ours bytes" "gifsicle -O3" size
declare -A per_mpix
results=()
for frames in 100 500; do
  read -r _ count mpix colormap optimize < <("${pin[@]}" "$build/bench/gif-optimize" --time "$repeats" \
    "$work/anim-$frames.gif")
  ours_bytes=$(stat -c %s "$work/ours-$frames.gif")
  peer_bytes=$(stat -c %s "$work/gifsicle-$frames.gif")
  line=$(awk -v m="$mpix" -v c="$colormap" -v o="$optimize" \
    'BEGIN { printf "%.1f %.3f %.1f %.3f", c * 1000, c * 1000 / m, o * 1000, o * 1000 / m }')
  read -r colormap_ms colormap_per optimize_ms optimize_per <<<"$line"
  printf '%-14s %6d %8.2f %13s %13s %13s %13s %12d %12d %6.3f\n' "anim-$frames" "$count" "$mpix" "$colormap_ms" \
    "$colormap_per" "$optimize_ms" "$optimize_per" "$ours_bytes" "$peer_bytes" \
    "$(awk -v o="$ours_bytes" -v p="$peer_bytes" 'BEGIN { print o / p }')"
  per_mpix[colormap-$frames]=$colormap_per
  per_mpix[optimize-$frames]=$optimize_per
  results+=("gif-optimize-size-$frames $ours_bytes $peer_bytes")
done
echo "median of $repeats runs each on a fresh copy; size = our bytes / gifsicle -O3's"
for work_name in colormap optimize; do
  echo "$work_name per-megapixel time at 500 frames / at 100: $(awk -v a="${per_mpix[$work_name-500]}" \
    -v b="${per_mpix[$work_name-100]}" 'BEGIN { printf "%.3f", a / b }')"
done
print_results bytes "<=1.5"
for work_name in colormap optimize; do
  bench_result "gif-optimize-$work_name-linearity" "${per_mpix[$work_name-500]}" "${per_mpix[$work_name-100]}" \
    ms/Mpx "<=1.2"
done
