#!/usr/bin/env bash
# Decode speed of our GIF reader against giflib's DGifSlurp, side by side in one run, on
# large GIFs made here: a 4000x3000 photo-like picture reduced to 256 colours and a
# 200-frame 500x500 screen recording. Both harnesses decode from memory; the files are
# first cross-checked (both must print the same frames, size and pixel CRC).
#   bench/gif-decode.sh            REPEATS=15 by default, BUILD_DIR=build
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
repeats=${REPEATS:-15}
data=$build/bench/gif-data

"$top/scripts/install-deps" test
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${JOBS:-3}" --target bench_gif-decode bench_gif-decode-giflib >/dev/null

mkdir -p "$data"
if [ ! -s "$data/photo-4000x3000.gif" ]; then
  echo "making photo-4000x3000.gif"
  convert -size 4000x3000 -seed 7 plasma:fractal -blur 0x2 -colors 256 "$data/photo-4000x3000.gif"
fi
if [ ! -s "$data/recording-200.gif" ]; then
  echo "making recording-200.gif"
  frames=$(mktemp -d)
  trap 'rm -rf "$frames"' EXIT
  python3 - "$frames" <<'PY'
import os, sys
W, H, N = 500, 500, 200
out = sys.argv[1]
background = bytearray()
for y in range(H):
    for x in range(W):
        if y < 24: c = (40, 60, 110)            # title bar
        elif x < 120: c = (230, 230, 235)       # side panel
        elif (y // 18) % 2: c = (250, 250, 250) # striped list
        else: c = (244, 246, 250)
        background += bytes(c)
def rect(frame, x0, y0, w, h, c):
    for y in range(max(0, y0), min(H, y0 + h)):
        row = y * W * 3
        for x in range(max(0, x0), min(W, x0 + w)):
            frame[row + 3 * x:row + 3 * x + 3] = bytes(c)
for i in range(N):
    frame = bytearray(background)
    for line in range(i // 10 + 1):          # text being typed
        length = 340 if line < i // 10 else (i % 10) * 34
        rect(frame, 130, 40 + line * 18, length, 8, (30 + line * 9 % 200, 30, 60))
    rect(frame, 60 + i, 100 + (i * 3) % 300, 90, 60, (200, 120, 40))  # a window dragged
    rect(frame, 62 + i, 102 + (i * 3) % 300, 86, 10, (90, 40, 10))
    with open(os.path.join(out, "f%03d.ppm" % i), "wb") as f:
        f.write(b"P6 %d %d 255\n" % (W, H))
        f.write(frame)
PY
  convert -delay 4 -loop 0 "$frames"/f*.ppm -layers Optimize "$frames/recording.gif"
  gifsicle -O2 "$frames/recording.gif" -o "$data/recording-200.gif"
fi

files=("$data/photo-4000x3000.gif" "$data/recording-200.gif")
pin=()
command -v taskset >/dev/null && pin=(taskset -c "${BENCH_CPU:-1}")

ours=$("$build/bench/gif-decode" "${files[@]}")
peer=$("$build/bench/gif-decode-giflib" "${files[@]}")
if [ "$ours" != "$peer" ]; then
  echo "cross-check FAILED:"; diff <(echo "$ours") <(echo "$peer") || true
  exit 1
fi
echo "cross-check: identical frames, sizes and pixel CRCs"

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
  bench_result "$work" "$ours" "$peer" Mpx/s ">=1.0"
done
