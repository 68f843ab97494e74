#!/usr/bin/env bash
# Peak resident memory of GIF pictures, each step in a process of its own, as a user meets it:
# loaded, its still picture made as picture loading makes it, and its frames played once by our
# painter; beside giflib's DGifSlurp and plain coalescing, and, for a file giflib refuses,
# gifsicle reading and writing it back and gifsicle coalescing it (--unoptimize). Two files:
# the 100-frame 1080p recording of bench/gif-data.sh (each frame disposed of to "previous") and
# a 223-byte file of eight 8192x8192 frames whose data stops after one pixel each (every
# decoder fills the rest).
#   bench/gif-memory.sh            BUILD_DIR=build
. "$(dirname "$0")/gif-setup.sh"
bench_build bench_gif-animate bench_gif-animate-giflib
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
recording=$data/recording-1080p-100.gif
huge=$work/huge-frames.gif
python3 - "$huge" <<'PY'
import struct, sys
gif = bytearray(b"GIF89a" + struct.pack("<HH", 8192, 8192) + bytes([0x80, 0, 0, 0, 0, 0, 255, 255, 255]))
gif += b"!\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
for i in range(8):
    gif += b"!\xf9\x04" + bytes([3 << 2]) + struct.pack("<H", 10) + b"\x00\x00"  # dispose to previous
    gif += b"," + struct.pack("<HHHH", 0, 0, 8192, 8192) + b"\x00"
    # Minimum code size 2; clear, pixel i & 1, end: three codes of 3 bits.
    codes = 4 | (i & 1) << 3 | 5 << 6
    gif += bytes([2, 2, codes & 0xFF, codes >> 8, 0])
gif += b";"
open(sys.argv[1], "wb").write(gif)
PY

# The peak resident memory in MB of a command run from Python, whatever its exit status.
peak() {
  python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print("%.1f" % (resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024))' "$@"
}

ours_load=$("$build/bench/gif-animate" --peak load "$recording")
ours_still=$("$build/bench/gif-animate" --peak still "$recording")
ours_play=$("$build/bench/gif-animate" --peak play "$recording")
peer_load=$("$build/bench/gif-animate-giflib" --peak load "$recording")
peer_play=$("$build/bench/gif-animate-giflib" --peak play "$recording")
huge_load=$("$build/bench/gif-animate" --peak load "$huge")
huge_still=$("$build/bench/gif-animate" --peak still "$huge")
huge_play=$("$build/bench/gif-animate" --peak play "$huge")
gifsicle_load=$(peak gifsicle "$huge" -o /dev/null)
gifsicle_play=$(peak gifsicle --unoptimize "$huge" -o /dev/null)

printf '%-30s %10s %10s %10s %12s\n' "peak MB" loaded still played "played-loaded"
awk -v l="$ours_load" -v s="$ours_still" -v p="$ours_play" \
  'BEGIN { printf "%-30s %10.1f %10.1f %10.1f %12.1f\n", "ours, 1080p recording", l, s, p, p - l }'
awk -v l="$peer_load" -v p="$peer_play" \
  'BEGIN { printf "%-30s %10.1f %10s %10.1f %12.1f\n", "giflib, 1080p recording", l, "-", p, p - l }'
awk -v l="$huge_load" -v s="$huge_still" -v p="$huge_play" \
  'BEGIN { printf "%-30s %10.1f %10.1f %10.1f %12.1f\n", "ours, 8 frames of 8192x8192", l, s, p, p - l }'
awk -v l="$gifsicle_load" -v p="$gifsicle_play" \
  'BEGIN { printf "%-30s %10.1f %10s %10.1f\n", "gifsicle, 8 frames of 8192x8192", l, "-", p }'
echo "a 1920x1080 32-bit buffer is 8.3 MB: playing the recording may add 4 of them (giflib's coalescing adds 2);"
echo "the huge frames load in at most 64 MB, reading only what their data wrote; their still picture and"
echo "playback stay under 600 MB (the 8192x8192 canvas alone is 256 MB; gifsicle coalescing them: $gifsicle_play MB)"
bench_result gif-play-memory-1080p "$(awk -v a="$ours_play" -v b="$ours_load" 'BEGIN { print a - b }')" \
  "$(awk -v a="$peer_play" -v b="$peer_load" 'BEGIN { print a - b }')" MB "<=2.0"
# 64 MB, the bound, against the 131 MB gifsicle 1.93 needs to read the file and write it back.
bench_result gif-load-memory-huge "$huge_load" "$gifsicle_load" MB "<=0.49"
# 600 MB, the bound, against the 834 MB gifsicle 1.93 needs to coalesce the frames, the first
# (the still picture) among them.
bench_result gif-still-memory-huge "$huge_still" "$gifsicle_play" MB "<=0.72"
bench_result gif-play-memory-huge "$huge_play" "$gifsicle_play" MB "<=0.72"
