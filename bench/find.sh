#!/usr/bin/env bash
# Times the find-file dialog's search against GNU find (by name) and grep (by contained
# text, any case) on the same warm tree of 50,000 files (about 1 GiB), side by side, and
# prints the four times and both ratios.
#   bench/find.sh [DIR]
# DIR keeps the tree for the next run (made there when missing); without it a temporary
# directory is used and removed. BUILD_DIR picks the build (default build/), RUNS the runs.
# The dialog's time is its search alone, taken inside the harness; the peers' times are
# their whole commands, whose start costs a millisecond or two.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/bench-result.sh"
build=${BUILD_DIR:-$here/build}
runs=$(bench_size RUNS 5 2)
pattern='*3?.txt'
text='QUOKKA-twelve'

keep=${1:-}
work=${keep:-$(mktemp -d)}
runtime=$(mktemp -d) # the offscreen dialog wants a private runtime directory
cleanup() {
  rm -rf "$runtime"
  [ -n "$keep" ] || rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work"
export LC_ALL=C QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime

bench_build bench_find
harness=$build/bench/find

tree=$work/find-50k
[ -d "$tree" ] || "$harness" make-tree "$tree" 50000 1024

# Best wall time of $runs runs in milliseconds, after one warm-up run; the count of lines
# of the last run goes to the file named by $count_file.
count_file=$work/count
best_ms() {
  local best='' start end elapsed
  "$@" >/dev/null
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >"$count_file"
    end=$(date +%s%N)
    elapsed=$(( (end - start) / 1000 ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

report() { # title ours-ms peer-name peer-ms
  awk -v t="$1" -v o="$2" -v n="$3" -v p="$4" \
    'BEGIN { printf "%-30s pelvaxon %8.1f ms   %-22s %8.1f ms   ratio %.2f (goal <= 1.5)\n", t, o, n, p, o / p }'
}

# ours WORK ARG: the harness's best time, checked to find as many entries as the peer did.
ours() {
  local out
  "$harness" "$1" "$tree" "$2" --time 1 >/dev/null
  out=$("$harness" "$1" "$tree" "$2" --time "$runs")
  if [ "${out#* }" != "$peer_count" ]; then
    echo "the dialog found ${out#* } entries, the peer $peer_count" >&2
    exit 1
  fi
  echo "${out%% *}"
}

name_peer=$(best_ms find "$tree" -iname "$pattern")
peer_count=$(wc -l <"$count_file")
name_ours=$(ours names "$pattern")
text_peer=$(best_ms grep -rliF "$text" "$tree")
peer_count=$(wc -l <"$count_file")
text_ours=$(ours text "$text")

report "names like $pattern" "$name_ours" "find -iname" "$name_peer"
report "files holding \"$text\"" "$text_ours" "grep -rliF" "$text_peer"
bench_result find-names-50k "$name_ours" "$name_peer" ms "<=1.5"
bench_result find-text-1gib "$text_ours" "$text_peer" ms "<=1.5"
