#!/usr/bin/env bash
# Colour reduction of a 12-megapixel photo to 256 colours, side by side in one run: ours
# (octree palette, Floyd-Steinberg dithering) against ImageMagick's -colors 256 with
# Floyd-Steinberg dithering, the same class of work, each a whole command from the photo file
# to a GIF file; giflib's GifQuantizeBuffer (median cut, no dithering) beside them. Prints
# megapixels per second and the PSNR of each result against the photo (ImageMagick's
# compare), and the rate of each of our dither engines into the web palette.
#   bench/gif-quantize.sh          REPEATS=7 by default, BUILD_DIR=build, BENCH_CPU=1
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
repeats=$(bench_size REPEATS 7 3)
pin=()
command -v taskset >/dev/null && pin=(taskset -c "${BENCH_CPU:-1}")

"$top/scripts/install-deps" test >&2
bench_build bench_gif-quantize bench_gif-quantize-giflib
data=$build/bench/gif-data
mkdir -p "$data"
photo=$data/photo-4000x3000.ppm
if [ ! -s "$photo" ]; then
  echo "making photo-4000x3000.ppm" >&2
  convert -size 4000x3000 -seed 7 plasma:fractal -blur 0x2 -depth 8 "$photo"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

psnr() { compare -metric PSNR "$photo" "$1" null: 2>&1 >/dev/null || true; }

# The median wall time of a whole command, pinned like the rest.
command_time() {
  local times=() start
  for _ in $(seq "$repeats"); do
    start=$(date +%s.%N)
    "${pin[@]}" "$@" >/dev/null
    times+=("$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.6f", e - s }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((repeats + 1) / 2))p"
}

read -r mpix ours _ < <("${pin[@]}" "$build/bench/gif-quantize" --time "$repeats" "$photo" "$work/ours.gif")
read -r _ peer _ < <("${pin[@]}" "$build/bench/gif-quantize-giflib" --time "$repeats" "$photo" "$work/giflib.gif")
ours_command=$(command_time "$build/bench/gif-quantize" --time 1 "$photo" "$work/ours.gif")
magick=$(command_time convert "$photo" -dither FloydSteinberg -colors 256 "$work/magick.gif")
ours_psnr=$(psnr "$work/ours.gif")
peer_psnr=$(psnr "$work/giflib.gif")
magick_psnr=$(psnr "$work/magick.gif")

printf '%-44s %9s %9s %9s\n' "4000x3000 photo to 256 colours" "Mpx/s" "seconds" "PSNR dB"
awk -v m="$mpix" -v o="$ours" -v c="$ours_command" -v p="$peer" -v i="$magick" -v op="$ours_psnr" -v pp="$peer_psnr" \
    -v ip="$magick_psnr" 'BEGIN {
    printf "%-44s %9.1f %9.3f %9.2f\n", "ours: octree + Floyd-Steinberg", m / o, o, op
    printf "%-44s %9.1f %9.3f\n", "ours, whole command", m / c, c
    printf "%-44s %9.1f %9.3f %9.2f\n", "ImageMagick -dither FloydSteinberg, whole", m / i, i, ip
    printf "%-44s %9.1f %9.3f %9.2f\n", "giflib GifQuantizeBuffer (no dithering)", m / p, p, pp
    printf "whole command time ratio to ImageMagick %.2f; PSNR %+.2f dB against ImageMagick, %+.2f dB against giflib\n",
           c / i, op - ip, op - pp }'
echo "median of $repeats runs each; a whole command reads the photo, reduces it and writes its GIF"

printf '\n%-24s %9s\n' "dither engine (web)" "Mpx/s"
"${pin[@]}" "$build/bench/gif-quantize" --engines "$repeats" "$photo" | while read -r name m seconds; do
  awk -v n="$name" -v m="$m" -v s="$seconds" 'BEGIN { printf "%-24s %9.1f\n", n, m / s }'
done

bench_result gif-quantize-time "$ours_command" "$magick" s "<=1.0"
bench_result gif-quantize-psnr-giflib "$ours_psnr" "$peer_psnr" dB ">=1.0"
# Within 3 dB of ImageMagick's quality: about 0.90 of its PSNR at the 29 dB it reaches here.
bench_result gif-quantize-psnr-magick "$ours_psnr" "$magick_psnr" dB ">=0.90"
