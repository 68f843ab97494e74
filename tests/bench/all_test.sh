#!/usr/bin/env bash
# bench/all.sh over a copy of bench/ holding two fake benchmarks, one printing RESULT lines among
# its own output and one failing after a line, plus a sourced helper it must not run: the table
# holds every line in script order, marks goals met and missed, and reports the failure as a row.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bench" "$work/scripts"
cp "$source_dir/bench/all.sh" "$work/bench/"
cp "$source_dir/scripts/bench-result.sh" "$work/scripts/"

cat >"$work/bench/a-first.sh" <<'SCRIPT'
#!/usr/bin/env bash
. "$(dirname "$0")/../scripts/bench-result.sh"
echo "a table of its own"
bench_result first-speed 200 100 MB/s ">=1.0"
bench_result first-time 3 2 ms "<=1.2"
echo "quick=$QUICK runs=$(bench_size RUNS 5 2)" >&2
SCRIPT
cat >"$work/bench/b-broken.sh" <<'SCRIPT'
#!/usr/bin/env bash
echo "RESULT broken-half ours=1 peer=2 unit=s ratio=0.500 goal=<=1.0"
exit 3
SCRIPT
printf 'echo "RESULT helper ours=1 peer=1 unit=s ratio=1 goal=<=1"\n' >"$work/bench/helper.sh"
chmod +x "$work/bench/a-first.sh" "$work/bench/b-broken.sh"

table=$(QUICK=1 "$work/bench/all.sh" 2>"$work/log")
fail() { echo "FAIL: $1"; echo "--- table"; echo "$table"; echo "--- log"; cat "$work/log"; exit 1; }

rows=$(sed -n '2,/^$/p' <<<"$table" | sed '/^$/d')
[ "$(awk '{ print $1 }' <<<"$rows" | tr '\n' ' ')" = "first-speed first-time broken-half b-broken " ] ||
  fail "rows are not every RESULT line and the failure, in script order"
grep -Eq '^first-speed +200 +100 +MB/s +2.000 +>=1.0 +yes$' <<<"$table" || fail "a met speed goal"
grep -Eq '^first-time +3 +2 +ms +1.500 +<=1.2 +NO$' <<<"$table" || fail "a missed time goal"
grep -Eq '^b-broken +FAILED: exit status 3$' <<<"$table" || fail "the failing script's row"
grep -q 'helper' <<<"$table" && fail "a script that is not executable was run"
grep -q 'quick=1 runs=2' "$work/log" || fail "QUICK=1 did not reach the scripts' sizes"
grep -q 'a table of its own' "$work/log" || fail "a script's own output was not passed on"
grep -Eq '^machine: [0-9]+ CPUs, .*, Linux ' <<<"$table" || fail "the machine line"
grep -q '^load average before: .*; after: .*; QUICK=1 sizes$' <<<"$table" || fail "the load line"
echo "bench/all.sh table checked"
