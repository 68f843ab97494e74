#!/usr/bin/env bash
# Builds the GIF benchmark harnesses (ours and giflib's) and makes the large GIFs they read,
# once, in $BUILD_DIR/bench/gif-data:
#   photo-4000x3000.gif       a photo-like picture reduced to 256 colours
#   recording-200.gif         a 200-frame 500x500 screen recording, gifsicle-optimised
#   screenshot-1920x1080.gif  a flat desktop screenshot of a few dozen colours
#   scan-2480x3508.gif        a 1-bit page of text at 300 dpi, with scanner specks
#   recording-1080p-100.gif   100 whole 1920x1080 frames of that desktop with a window dragged
#                             across it, each disposed of to "previous" (about 3 MB)
# Prints the directory. Run by gif-setup.sh (bash bench/gif-data.sh by hand): not executable, so
# bench/all.sh does not take it for a benchmark.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
data=$build/bench/gif-data

"$top/scripts/install-deps" test >&2
bench_build bench_gif-decode bench_gif-decode-giflib bench_gif-encode bench_gif-encode-giflib

mkdir -p "$data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -s "$data/photo-4000x3000.gif" ]; then
  echo "making photo-4000x3000.gif" >&2
  convert -size 4000x3000 -seed 7 plasma:fractal -blur 0x2 -colors 256 "$data/photo-4000x3000.gif"
fi

if [ ! -s "$data/recording-200.gif" ] || [ ! -s "$data/screenshot-1920x1080.gif" ] \
   || [ ! -s "$data/recording-1080p-100.gif" ]; then
  echo "making recording-200.gif, screenshot-1920x1080.gif and recording-1080p-100.gif" >&2
  python3 - "$work" <<'PY'
import os, sys
out = sys.argv[1]

def desktop(W, H):
    frame = bytearray()
    for y in range(H):
        for x in range(W):
            if y < 24: c = (40, 60, 110)            # title bar
            elif x < 120: c = (230, 230, 235)       # side panel
            elif (y // 18) % 2: c = (250, 250, 250) # striped list
            else: c = (244, 246, 250)
            frame += bytes(c)
    return frame

def rect(frame, W, H, x0, y0, w, h, c):
    for y in range(max(0, y0), min(H, y0 + h)):
        row = y * W * 3
        for x in range(max(0, x0), min(W, x0 + w)):
            frame[row + 3 * x:row + 3 * x + 3] = bytes(c)

def save(name, frame, W, H):
    with open(os.path.join(out, name), "wb") as f:
        f.write(b"P6 %d %d 255\n" % (W, H))
        f.write(frame)

W, H = 500, 500
background = desktop(W, H)
for i in range(200):
    frame = bytearray(background)
    for line in range(i // 10 + 1):          # text being typed
        length = 340 if line < i // 10 else (i % 10) * 34
        rect(frame, W, H, 130, 40 + line * 18, length, 8, (30 + line * 9 % 200, 30, 60))
    rect(frame, W, H, 60 + i, 100 + (i * 3) % 300, 90, 60, (200, 120, 40))  # a window dragged
    rect(frame, W, H, 62 + i, 102 + (i * 3) % 300, 86, 10, (90, 40, 10))
    save("f%03d.ppm" % i, frame, W, H)

W, H = 1920, 1080
shot = desktop(W, H)
for n in range(14):                          # windows with title bars and lines of text
    x0, y0 = 150 + n * 97 % 1300, 40 + n * 61 % 600
    rect(shot, W, H, x0, y0, 520, 380, (236, 236, 232))
    rect(shot, W, H, x0, y0, 520, 22, (60 + n * 9, 90, 150))
    for line in range(20):
        rect(shot, W, H, x0 + 12, y0 + 34 + line * 17, 80 + (n * 37 + line * 53) % 400, 7, (20 + line * 5, 20, 40))
save("screenshot.ppm", shot, W, H)
for i in range(100):
    frame = bytearray(shot)
    rect(frame, W, H, 300 + 12 * i, 200 + 5 * i, 360, 240, (200, 120, 40))
    rect(frame, W, H, 300 + 12 * i, 200 + 5 * i, 360, 20, (90, 40, 10))
    save("hd%03d.ppm" % i, frame, W, H)
PY
  convert -delay 4 -loop 0 "$work"/f*.ppm -layers Optimize "$work/recording.gif"
  gifsicle -O2 "$work/recording.gif" -o "$data/recording-200.gif"
  convert "$work/screenshot.ppm" +dither -colors 256 "$data/screenshot-1920x1080.gif"
  for frame in "$work"/hd*.ppm; do
    convert "$frame" +dither -colors 256 "${frame%.ppm}.gif"
    rm "$frame"
  done
  gifsicle --delay=4 --loopcount=forever --disposal=previous "$work"/hd*.gif -o "$data/recording-1080p-100.gif"
fi

if [ ! -s "$data/scan-2480x3508.gif" ]; then
  echo "making scan-2480x3508.gif" >&2
  python3 - "$work/scan.pbm" <<'PY'
import random, sys
W, H = 2480, 3508
r = random.Random(3)
# 40 letter shapes of 6x9 cells, drawn 3 pixels to a cell.
letters = [[[r.random() < 0.45 for _ in range(6)] for _ in range(9)] for _ in range(40)]
page = [bytearray(W) for _ in range(H)]
y = 200
while y + 27 < H - 200:
    x = 200
    while True:
        word = r.randint(2, 9)
        if x + word * 21 > W - 200:
            break
        for _ in range(word):
            shape = letters[r.randrange(40)]
            for cy in range(9):
                for cx in range(6):
                    if shape[cy][cx]:
                        for dy in range(3):
                            row = page[y + cy * 3 + dy]
                            row[x + cx * 3:x + cx * 3 + 3] = b"\1\1\1"
            x += 21
        x += 21
    y += 48
for _ in range(W * H // 2000):               # specks
    page[r.randrange(H)][r.randrange(W)] = 1
with open(sys.argv[1], "wb") as f:
    f.write(b"P4 %d %d\n" % (W, H))
    for row in page:
        packed = bytearray((W + 7) // 8)
        for x in range(W):
            if row[x]:
                packed[x >> 3] |= 0x80 >> (x & 7)
        f.write(packed)
PY
  convert "$work/scan.pbm" "$data/scan-2480x3508.gif"
fi
echo "$data"
