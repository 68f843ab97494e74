#!/usr/bin/env bash
# The HTTP client against curl, side by side, with nginx on loopback: a GET of a 100 MiB file
# into a file on tmpfs and into a memory stream, each against curl -o into the same tmpfs,
# each RUNS times in turn, the best time of each counting; then 1,000 keep-alive requests
# against 1,000 HTTP/1.0 requests. The server runs on core 0, the clients on the others.
#   bench/http.sh            (BUILD_DIR=build, RUNS=5, SIZE_MIB=100, REQUESTS=1000)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
runs=$(bench_size RUNS 5 2)
size_mib=${SIZE_MIB:-100}
requests=$(bench_size REQUESTS 1000 200)

bench_build bench_http

work=$(mktemp -d -p /dev/shm)
nginx_pid=
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/www"
head -c $((size_mib * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
echo small >"$work/www/small.txt"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/nginx.conf" <<CONF
daemon off;
master_process off;
error_log $work/error.log;
pid $work/nginx.pid;
events { worker_connections 1024; }
http {
    access_log off;
    keepalive_requests 100000;
    server { listen 127.0.0.1:$port; root $work/www; }
}
CONF
taskset -c 0 nginx -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
for _ in $(seq 50); do
  curl -s -o /dev/null "http://127.0.0.1:$port/small.txt" && break
  sleep 0.1
done
big=http://127.0.0.1:$port/big.bin
small=http://127.0.0.1:$port/small.txt
bytes=$(stat -c %s "$work/www/big.bin")

best_file= best_memory= best_curl=
lower() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(b == "" || a < b) }'; }
for ((run = 0; run < runs; run++)); do
  rm -f "$work/ours.bin" "$work/curl.bin"
  read -r t got < <(taskset -c 1-7 "$build/bench/http" get "$big" "$work/ours.bin")
  [ "$got" = "$bytes" ] && cmp -s "$work/ours.bin" "$work/www/big.bin" \
    || { echo "the client's file differs from the server's" >&2; exit 1; }
  lower "$t" "$best_file" && best_file=$t
  read -r t got < <(taskset -c 1-7 "$build/bench/http" get "$big")
  [ "$got" = "$bytes" ] || { echo "the client fetched $got bytes of $bytes" >&2; exit 1; }
  lower "$t" "$best_memory" && best_memory=$t
  t=$(taskset -c 1-7 curl -s -o "$work/curl.bin" -w '%{time_total}' "$big")
  lower "$t" "$best_curl" && best_curl=$t
done
rm -f "$work/ours.bin" "$work/curl.bin"
keep=$(taskset -c 1-7 "$build/bench/http" requests "$small" "$requests" 1.1)
close=$(taskset -c 1-7 "$build/bench/http" requests "$small" "$requests" 1.0)

awk -v n="$bytes" -v f="$best_file" -v m="$best_memory" -v c="$best_curl" -v runs="$runs" -v k="$keep" \
    -v s="$close" -v r="$requests" 'BEGIN {
  printf "GET of %.0f MiB from nginx on loopback, best of %d runs\n", n / 1048576, runs
  printf "  THttpCli into a file on tmpfs   %6.3f s  %8.1f MB/s\n", f, n / f / 1e6
  printf "  THttpCli into a memory stream   %6.3f s  %8.1f MB/s\n", m, n / m / 1e6
  printf "  curl -o into a file on tmpfs    %6.3f s  %8.1f MB/s\n", c, n / c / 1e6
  printf "%d requests one after the other\n", r
  printf "  keep-alive (HTTP/1.1)  %8.0f requests/s\n", r / k
  printf "  HTTP/1.0               %8.0f requests/s\n", r / s
}'
bench_result http-get-100mib-file "$best_file" "$best_curl" s "<=1.2"
bench_result http-get-100mib-memory "$best_memory" "$best_curl" s "<=1.2"
bench_result http-keepalive-vs-http10 "$(awk -v r="$requests" -v k="$keep" 'BEGIN { printf "%.0f", r / k }')" \
  "$(awk -v r="$requests" -v s="$close" 'BEGIN { printf "%.0f", r / s }')" requests/s ">=1.0"
