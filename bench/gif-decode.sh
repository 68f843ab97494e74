#!/usr/bin/env bash
# Decode speed of our GIF reader against giflib's DGifSlurp, side by side in one run, on
# large GIFs made by bench/gif-data.sh: a 4000x3000 photo-like picture reduced to 256
# colours and a 200-frame 500x500 screen recording. Both harnesses decode from memory; the
# files are first cross-checked (both must print the same frames, size and pixel CRC).
#   bench/gif-decode.sh            REPEATS=15 by default, BUILD_DIR=build
. "$(dirname "$0")/gif-setup.sh"
files=("$data/photo-4000x3000.gif" "$data/recording-200.gif")

ours=$("$build/bench/gif-decode" "${files[@]}")
peer=$("$build/bench/gif-decode-giflib" "${files[@]}")
same_output "identical frames, sizes and pixel CRCs" "$ours" "$peer"

printf '%-24s %7s %9s %14s %14s %8s\n' file frames Mpixel "ours Mpx/s" "giflib Mpx/s" ratio
results=()
for file in "${files[@]}"; do
  read -r _ frames mpix ours_median ours_min < <("${pin[@]}" "$build/bench/gif-decode" --time "$repeats" "$file")
  read -r _ _ _ peer_median peer_min < <("${pin[@]}" "$build/bench/gif-decode-giflib" --time "$repeats" "$file")
  awk -v n="$(basename "$file")" -v f="$frames" -v m="$mpix" -v o="$ours_median" -v p="$peer_median" \
      -v omin="$ours_min" -v pmin="$peer_min" 'BEGIN {
    printf "%-24s %7d %9.2f %14.1f %14.1f %7.2fx   (best: %.1f vs %.1f)\n", n, f, m, m / o, m / p, p / o, m / omin, m / pmin }'
  name=$(basename "$file" .gif)
  results+=("gif-decode-${name%%-*} $(awk -v m="$mpix" -v o="$ours_median" -v p="$peer_median" \
    'BEGIN { printf "%.1f %.1f", m / o, m / p }')")
done
echo "median of $repeats decodes from memory each; ratio = our speed / giflib's"
for result in "${results[@]}"; do
  read -r work ours peer <<<"$result"
  bench_result "$work" "$ours" "$peer" Mpx/s ">=2.0"
done
