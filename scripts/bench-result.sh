# Sourced by bench/*.sh. Its harnesses come from the Release build in $build, brought up to date:
#   bench_build TARGET...
bench_build() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j "${JOBS:-3}" --target "$@" >/dev/null
}

# After its own table, a benchmark prints one line per measured work,
# so one table can gather every benchmark's figures:
#   RESULT <work> ours=<value> peer=<value> unit=<unit> ratio=<ours/peer> goal=<op><number>
# The goal is what the ratio must meet: ">=1.0" for a speed at least the peer's, "<=1.2" for
# a time at most 1.2 times the peer's.
#   bench_result WORK OURS PEER UNIT GOAL
bench_result() {
  awk -v work="$1" -v ours="$2" -v peer="$3" -v unit="$4" -v goal="$5" \
    'BEGIN { printf "RESULT %s ours=%s peer=%s unit=%s ratio=%.3f goal=%s\n", work, ours, peer, unit, ours / peer, goal }'
}

# A size or repeat count: the variable NAME when set, else QUICK's smaller value when QUICK=1
# (bench/all.sh's short run), else the full one.
#   runs=$(bench_size RUNS 5 2)
bench_size() {
  if [ -n "${!1:-}" ]; then
    echo "${!1}"
  elif [ "${QUICK:-0}" = 1 ]; then
    echo "$3"
  else
    echo "$2"
  fi
}
