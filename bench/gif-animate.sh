#!/usr/bin/env bash
# Frames composed per second: the 200-frame 500x500 recording that bench/gif-data.sh makes,
# its frames set by gifsicle to dispose "previous" (the worst case: what lies under each frame
# is saved and put back) and "none", played by our painter with every wait removed, against
# giflib's DGifSlurp plus the plain coalescing, side by side in one run, both timed in
# processor time and pinned to one CPU (BENCH_CPU); then our time per full-HD frame.
#   bench/gif-animate.sh         REPEATS=15 by default, BUILD_DIR=build
. "$(dirname "$0")/gif-setup.sh"
bench_build bench_gif-animate bench_gif-animate-giflib
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=()
for disposal in previous none; do
  gifsicle --unoptimize --disposal="$disposal" "$data/recording-200.gif" -o "$work/recording-$disposal.gif"
  files+=("$work/recording-$disposal.gif")
done

ours=$("$build/bench/gif-animate" "${files[@]}" | sed 's|.*/||')
peer=$("$build/bench/gif-animate-giflib" "${files[@]}" | sed 's|.*/||')
same_output "identical composites, frame by frame" "$ours" "$peer"

printf '%-26s %12s %8s %12s %8s %8s\n' file "ours fps" spread "giflib fps" spread ratio
results=()
for file in "${files[@]}"; do
  read -r _ frames ours_median ours_min ours_max < <("${pin[@]}" "$build/bench/gif-animate" --time "$repeats" "$file")
  read -r _ _ peer_median peer_min peer_max < <("${pin[@]}" "$build/bench/gif-animate-giflib" --time "$repeats" "$file")
  line=$(awk -v f="$frames" -v o="$ours_median" -v p="$peer_median" 'BEGIN { printf "%.1f %.1f", f / o, f / p }')
  read -r ours_fps peer_fps <<<"$line"
  name=$(basename "$file" .gif)
  awk -v n="$name" -v o="$ours_fps" -v p="$peer_fps" -v om="$ours_median" -v on="$ours_min" -v ox="$ours_max" \
      -v pm="$peer_median" -v pn="$peer_min" -v px="$peer_max" 'BEGIN {
    printf "%-26s %12.1f %7.0f%% %12.1f %7.0f%% %7.2fx\n", n, o, 100 * (ox - on) / om, p, 100 * (px - pn) / pm, o / p }'
  results+=("gif-animate-${name#recording-} $ours_fps $peer_fps")
done
read -r size hd_frames hd_ms < <("${pin[@]}" "$build/bench/gif-animate" --hd 20)
echo "median of $repeats plays each in processor time, pinned to one CPU (the file decoded before each);"
echo "spread = (slowest - fastest) / median; ratio = our rate / giflib's"
echo "full HD: $hd_ms ms of user-interface thread time a $size frame ($hd_frames frames restoring the one before; goal < 16 ms)"
print_results fps ">=1.0"
