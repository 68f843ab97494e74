# Sourced by the GIF benchmarks (gif-decode.sh, gif-encode.sh, gif-open.sh, gif-animate.sh):
# the result line helpers, the build directory, the inputs made by gif-data.sh in $data, the repeat count
# (REPEATS, 15 by default) and the command prefix that pins a run to one CPU (BENCH_CPU).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
data=$(BUILD_DIR=$build bash "$top/bench/gif-data.sh")
repeats=$(bench_size REPEATS 15 5)
pin=()
command -v taskset >/dev/null && pin=(taskset -c "${BENCH_CPU:-1}")

# Stops the benchmark unless both harnesses print the same: same_output WHAT OURS PEER.
same_output() {
  if [ "$2" != "$3" ]; then
    echo "cross-check FAILED:"; diff <(echo "$2") <(echo "$3") || true
    exit 1
  fi
  echo "cross-check: $1"
}

# One RESULT line for each "WORK OURS PEER" entry of the array `results`: print_results UNIT GOAL.
print_results() {
  local result work ours peer
  for result in "${results[@]}"; do
    read -r work ours peer <<<"$result"
    bench_result "$work" "$ours" "$peer" "$1" "$2"
  done
}
