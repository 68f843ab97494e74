#!/usr/bin/env bash
# Encode speed and output size of our GIF writer against giflib's EGifSpew, side by side in
# one run, on the GIFs of bench/gif-data.sh: a 4000x3000 photo of 256 colours, a flat
# screenshot, a 1-bit scan and a 200-frame screen recording. Each harness decodes a file
# once and then encodes the same index buffers and tables into memory. Every output is
# first cross-checked: both decoders must read from it what they read from its source.
# Then run-length coding: every file, and a 1-bit 300x200 picture of shapes, re-saved with
# run-length codes must decode to its source in ours, giflib and ImageMagick; its size is
# set against giflib's LZW file of the same picture.
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

convert -size 300x200 xc:white -fill black -draw "circle 150,100 150,30" -draw "rectangle 10,10 60,190" \
  -monochrome "$work/shapes-300x200.gif"
rle_files=("$data/screenshot-1920x1080.gif" "$data/scan-2480x3508.gif" "$work/shapes-300x200.gif"
           "$data/photo-4000x3000.gif" "$data/recording-200.gif")
# Every frame's pixels as ImageMagick reads them.
magick_pixels() { convert "$1" rgba:- | md5sum; }
rle_results=()
printf '%-26s %11s %11s %11s %8s\n' "run-length coded" "ours bytes" "ours LZW" "giflib LZW" "/giflib"
for file in "${rle_files[@]}"; do
  name=$(basename "$file" .gif)
  "$build/bench/gif-encode" --resave --rle "$file" "$work/rle-$name.gif"
  "$build/bench/gif-encode" --resave "$file" "$work/lzw-$name.gif"
  "$build/bench/gif-encode-giflib" --resave "$file" "$work/giflib-lzw-$name.gif"
  for decoder in gif-decode gif-decode-giflib; do
    if [ "$(decoded "$build/bench/$decoder" "$work/rle-$name.gif")" != "$(decoded "$build/bench/$decoder" "$file")" ]; then
      echo "cross-check FAILED: $decoder reads the run-length coded $name otherwise than its source"
      exit 1
    fi
  done
  if [ "$(magick_pixels "$work/rle-$name.gif")" != "$(magick_pixels "$file")" ]; then
    echo "cross-check FAILED: ImageMagick reads the run-length coded $name otherwise than its source"
    exit 1
  fi
  sizes="$(stat -c %s "$work/rle-$name.gif") $(stat -c %s "$work/lzw-$name.gif") $(stat -c %s "$work/giflib-lzw-$name.gif")"
  read -r rle lzw peer_lzw <<<"$sizes"
  awk -v n="$name" -v r="$rle" -v l="$lzw" -v g="$peer_lzw" 'BEGIN { printf "%-26s %11d %11d %11d %8.2f\n", n, r, l, g, r / g }'
  case $name in screenshot-* | scan-* | shapes-*) rle_results+=("gif-encode-rle-${name%%-*}-size $rle $peer_lzw") ;; esac
done
echo "cross-check: the run-length coded files decode to their sources in ours, giflib and ImageMagick"

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
# Run-length codes carry no strings beyond runs: a few times LZW's size at most.
for result in "${rle_results[@]}"; do
  read -r work ours peer <<<"$result"
  bench_result "$work" "$ours" "$peer" bytes "<=3.0"
done
