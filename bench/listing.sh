#!/usr/bin/env bash
# Times the panel's directory listing against GNU ls and its directory-size walk against du,
# side by side on the same warm trees, and prints both times and their ratios.
#   bench/listing.sh [DIR]
# DIR holds the two benchmark trees (a directory of 100,000 files and a tree of 200,000
# entries); they are made there when missing and kept for the next run. Without DIR a
# temporary directory is used and removed afterwards. BUILD_DIR picks the build (default build/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/bench-result.sh"
build=${BUILD_DIR:-$here/build}
runs=$(bench_size RUNS 5 2)

work=${1:-}
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

bench_build bench_listing
harness=$build/bench/listing

flat=$work/flat-100k
tree=$work/tree-200k
[ -d "$flat" ] || "$harness" make-flat "$flat" 100000
[ -d "$tree" ] || "$harness" make-tree "$tree" 200000

# Best wall time of $runs runs in milliseconds, after one warm-up run.
best_ms() {
  local best='' start end elapsed
  "$@" >/dev/null
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    elapsed=$(( (end - start) / 1000 ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

report() { # title ours-ms peer-name peer-ms goal
  awk -v t="$1" -v o="$2" -v n="$3" -v p="$4" -v g="$5" \
    'BEGIN { printf "%-34s pelvaxon %8.1f ms   %-22s %8.1f ms   ratio %.2f (goal <= %s)\n", t, o, n, p, o / p, g }'
}

# ls sorts by name by default; older coreutils do not know --sort=name.
ls_sort=(--sort=name)
ls "${ls_sort[@]}" "$work" >/dev/null 2>&1 || ls_sort=()
list_ours=$(best_ms "$harness" list "$flat")
list_ls=$(LC_ALL=C best_ms ls -l "${ls_sort[@]}" "$flat")
walk_ours=$(best_ms "$harness" walk "$tree")
walk_du=$(best_ms du -sb "$tree")

report "listing of 100,000 entries" "$list_ours" "ls -l ${ls_sort[*]}" "$list_ls" 1.0
report "directory size of 200,000 entries" "$walk_ours" "du -sb" "$walk_du" 1.2
bench_result listing-100k "$list_ours" "$list_ls" ms "<=1.0"
bench_result dirsize-200k "$walk_ours" "$walk_du" ms "<=1.2"
