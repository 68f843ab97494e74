#!/usr/bin/env bash
# Our FTP engine (build/bench/ftpd) against vsftpd, side by side on loopback in one run, with
# the server on core 0 and the clients on the others:
#   logins   login, NOOP, QUIT cycles per second through ftplib, 10,000 sequentially and
#            10,000 spread over 8 parallel clients
# Prints each figure, the ratio (ours / vsftpd, above 1 is faster) and RESULT lines, and our
# server's descriptors and memory before and after.
#   bench/ftp.sh            (BUILD_DIR=build, LOGINS=10000, PORT_BASE=2121; run as root)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
logins=${LOGINS:-10000}
port_base=${PORT_BASE:-2121}
vsftpd_bin=$(command -v vsftpd || echo /usr/sbin/vsftpd)

[ -f "$build/build.ninja" ] || cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_ftpd >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# One tree for both: vsftpd refuses a root its users may write, so only "upload" is writable.
root=$work/root
mkdir -p "$root/upload"
chown ftp:ftp "$root/upload"

ours_port=$port_base
theirs_port=$((port_base + 1))
taskset -c 0 "$build/bench/ftpd" "$root" "$ours_port" >"$work/ftpd.port" &
pids+=($!)
ours_pid=$!

cat >"$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$theirs_port
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_root=$root
local_enable=NO
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
connect_from_port_20=NO
pasv_min_port=$((port_base + 100))
pasv_max_port=$((port_base + 199))
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
max_clients=0
max_per_ip=0
xferlog_enable=NO
use_sendfile=${VSFTPD_SENDFILE:-NO}
CONF
taskset -c 0 "$vsftpd_bin" "$work/vsftpd.conf" &
pids+=($!)

wait_port() {
  for _ in $(seq 100); do
    python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', $1), timeout=1).close()" 2>/dev/null && return
    sleep 0.1
  done
  echo "nothing listens on port $1" >&2
  exit 1
}
wait_port "$ours_port"
wait_port "$theirs_port"

# Descriptors and resident memory (KiB) of our server.
ours_state() {
  echo "$(ls /proc/$ours_pid/fd | wc -l) descriptors, $(awk '/VmRSS/ { print $2 }' /proc/$ours_pid/status) KiB"
}

# login_rate PORT USER COUNT PARALLEL: login, NOOP, QUIT cycles per second.
login_rate() {
  taskset -c 1-7 python3 - "$@" <<'PY'
import ftplib, sys, time
from concurrent.futures import ProcessPoolExecutor
port, user, count, parallel = int(sys.argv[1]), sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
def cycles(n):
    for _ in range(n):
        f = ftplib.FTP()
        f.connect("127.0.0.1", port, timeout=10)
        f.login(user, "bench@")
        f.voidcmd("NOOP")
        f.quit()
    return n
start = time.perf_counter()
with ProcessPoolExecutor(parallel) as pool:
    done = sum(pool.map(cycles, [count // parallel] * parallel))
print(f"{done / (time.perf_counter() - start):.0f}")
PY
}

before=$(ours_state)
declare -A rate
for mode in 1 8; do
  rate[ours$mode]=$(login_rate "$ours_port" user "$logins" "$mode")
  rate[theirs$mode]=$(login_rate "$theirs_port" anonymous "$logins" "$mode")
done
sleep 0.5
after=$(ours_state)

echo "FTP login, NOOP, QUIT cycles per second, $logins logins each (ours / vsftpd)"
for mode in 1 8; do
  label=$([ "$mode" = 1 ] && echo sequential || echo "8 parallel")
  ratio=$(awk -v a="${rate[ours$mode]}" -v b="${rate[theirs$mode]}" 'BEGIN { printf "%.2f", a / b }')
  printf "  %-11s ours %6s/s  vsftpd %6s/s  ratio %s\n" "$label" "${rate[ours$mode]}" "${rate[theirs$mode]}" "$ratio"
  echo "RESULT ftp-logins-$([ "$mode" = 1 ] && echo seq || echo par8)-ratio $ratio"
done
echo "  our server before: $before"
echo "  our server after:  $after"
