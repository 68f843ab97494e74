#!/usr/bin/env bash
# Open to first pixels: a GIF file read through the program's picture registry and its still
# composite made (the first frame on the logical screen, as the background picture and the
# textures take it), against giflib's DGifSlurp plus a plain compositor of the first frame,
# side by side in one run, on the 4000x3000 photo and the 200-frame 500x500 recording that
# bench/gif-data.sh makes. Both first print the same composite (size and RGBA CRC).
#   bench/gif-open.sh            REPEATS=15 by default, BUILD_DIR=build
. "$(dirname "$0")/gif-setup.sh"
files=("$data/photo-4000x3000.gif" "$data/recording-200.gif")

ours=$("$build/bench/gif-decode" --still "${files[@]}")
peer=$("$build/bench/gif-decode-giflib" --still "${files[@]}")
same_output "identical composites" "$ours" "$peer"

printf '%-24s %11s %11s %11s %8s %16s\n' file "ours ms" "giflib ms" ratio "" "render Mpx/s"
results=()
for file in "${files[@]}"; do
  read -r _ _ _ mpix ours_median ours_min < <("${pin[@]}" "$build/bench/gif-decode" --still --time "$repeats" "$file")
  read -r _ _ _ _ peer_median peer_min < <("${pin[@]}" "$build/bench/gif-decode-giflib" --still --time "$repeats" "$file")
  awk -v n="$(basename "$file")" -v m="$mpix" -v o="$ours_median" -v p="$peer_median" \
      -v omin="$ours_min" -v pmin="$peer_min" 'BEGIN {
    printf "%-24s %11.1f %11.1f %10.2fx %8s %7.1f vs %5.1f   (best: %.1f vs %.1f ms)\n",
      n, o * 1000, p * 1000, o / p, "", m / o, m / p, omin * 1000, pmin * 1000 }'
  name=$(basename "$file" .gif)
  results+=("gif-open-${name%%-*} $(awk -v o="$ours_median" -v p="$peer_median" \
    'BEGIN { printf "%.1f %.1f", o * 1000, p * 1000 }')")
done
echo "median of $repeats opens each, from the page cache; ratio = our time / giflib's;"
echo "render Mpx/s = composite megapixels per second of the whole open"
print_results ms "<=1.2"
