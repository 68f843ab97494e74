#!/usr/bin/env bash
# Encode speed and output size of our GIF writer against giflib's EGifSpew, side by side in
# one run, on the GIFs of bench/gif-data.sh: a 4000x3000 photo of 256 colours, a flat
# screenshot, a 1-bit scan and a 200-frame screen recording. Each harness decodes a file
# once and then encodes the same index buffers and tables into memory. Every output is
# first cross-checked: both decoders must read from it what they read from its source.
#   bench/gif-encode.sh            REPEATS=15 by default, BUILD_DIR=build, BENCH_CPU=1
. "$(dirname "$0")/gif-setup.sh"
files=("$data/photo-4000x3000.gif" "$data/screenshot-1920x1080.gif" "$data/scan-2480x3508.gif"
       "$data/recording-200.gif")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The decoders' line for a file, without its name.
decoded() { "$1" "$2" | cut -d' ' -f2-; }
for file in "${files[@]}"; do
  name=$(basename "$file")
  "$build/bench/gif-encode" --resave "$file" "$work/ours-$name"
  "$build/bench/gif-encode-giflib" --resave "$file" "$work/giflib-$name"
  expected=$(decoded "$build/bench/gif-decode-giflib" "$file")
  for out in "$work/ours-$name" "$work/giflib-$name"; do
    for decoder in gif-decode gif-decode-giflib; do
      got=$(decoded "$build/bench/$decoder" "$out")
      if [ "$got" != "$expected" ]; then
        echo "cross-check FAILED: $decoder reads $(basename "$out") as '$got', its source as '$expected'"
        exit 1
      fi
    done
  done
done
echo "cross-check: both encoders' files decode to their sources' frames, sizes and pixel CRCs"

printf '%-26s %6s %8s %11s %11s %6s %11s %11s %6s\n' file frames Mpixel "ours Mpx/s" "giflib Mpx/s" speed \
  "ours bytes" "giflib bytes" size
results=()
for file in "${files[@]}"; do
  read -r _ frames mpix ours_median _ ours_bytes < <("${pin[@]}" "$build/bench/gif-encode" --time "$repeats" "$file")
  read -r _ _ _ peer_median _ peer_bytes < <("${pin[@]}" "$build/bench/gif-encode-giflib" --time "$repeats" "$file")
  name=$(basename "$file" .gif)
  awk -v n="$name" -v f="$frames" -v m="$mpix" -v o="$ours_median" -v p="$peer_median" -v ob="$ours_bytes" \
      -v pb="$peer_bytes" 'BEGIN {
    printf "%-26s %6d %8.2f %11.1f %11.1f %5.2fx %11d %11d %6.4f\n", n, f, m, m / o, m / p, p / o, ob, pb, ob / pb }'
  results+=("gif-encode-${name%%-*} $(awk -v m="$mpix" -v o="$ours_median" -v p="$peer_median" \
    'BEGIN { printf "%.1f %.1f", m / o, m / p }') $ours_bytes $peer_bytes")
done
echo "median of $repeats encodes into memory each; speed = our Mpx/s / giflib's, size = our bytes / giflib's"
for result in "${results[@]}"; do
  read -r work ours peer ours_bytes peer_bytes <<<"$result"
  bench_result "$work" "$ours" "$peer" Mpx/s ">=1.0"
  bench_result "$work-size" "$ours_bytes" "$peer_bytes" bytes "<=1.01"
done
