#!/usr/bin/env bash
# Runs every benchmark, each executable bench/*.sh but this one (scripts that are only sourced
# or called by others are not executable), and prints one table of their RESULT lines: work,
# ours, peer, unit, ratio, goal and whether the goal is met, then the machine it ran on.
# A script that fails is a row saying so; the table goes on. Each script's own output goes to
# standard error as it runs, the table to standard output.
#   bench/all.sh            QUICK=1 for each script's smaller sizes (a run of a few minutes)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export QUICK=${QUICK:-0}

load_average() { cut -d' ' -f1-3 /proc/loadavg; }
load_before=$(load_average)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rows=$work/rows

for script in "$here"/*.sh; do
  name=$(basename "$script" .sh)
  [ "$name" = all ] || [ ! -x "$script" ] && continue
  echo "== bench/$name.sh" >&2
  "$script" 2>&1 | tee "$work/output" >&2
  status=${PIPESTATUS[0]}
  found=$(grep '^RESULT ' "$work/output")
  [ -n "$found" ] && echo "$found" >>"$rows"
  if [ "$status" -ne 0 ]; then
    echo "FAILED $name exit status $status" >>"$rows"
  elif [ -z "$found" ]; then
    echo "FAILED $name no RESULT line" >>"$rows"
  fi
done

awk '
  BEGIN { format = "%-36s %12s %12s %8s %8s %9s  %s\n"
          printf format, "work", "ours", "peer", "unit", "ratio", "goal", "met" }
  $1 == "FAILED" { work = $2; $1 = $2 = ""; sub(/^ +/, ""); printf "%-36s %s\n", work, "FAILED: " $0; next }
  {
    delete field
    for (i = 3; i <= NF; i++) { split($i, kv, "="); field[kv[1]] = substr($i, length(kv[1]) + 2) }
    goal = field["goal"]; op = substr(goal, 1, 2); bound = substr(goal, 3) + 0; ratio = field["ratio"] + 0
    met = (op == ">=") ? ratio >= bound : (op == "<=") ? ratio <= bound : -1
    printf format, $2, field["ours"], field["peer"], field["unit"], field["ratio"], goal,
           met == 1 ? "yes" : met == 0 ? "NO" : "?"
  }' "$rows"

echo
echo "machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), Linux $(uname -r)"
echo "load average before: $load_before; after: $(load_average)$([ "$QUICK" = 1 ] && echo '; QUICK=1 sizes')"
