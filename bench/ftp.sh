#!/usr/bin/env bash
# Our FTP engine (build/bench/ftpd) against vsftpd, side by side on loopback in one run, with
# the server on core 0 and the clients on the others:
#   logins     login, NOOP, QUIT cycles per second through ftplib, 10,000 sequentially and
#              10,000 spread over 8 parallel clients
#   transfers  RETR and STOR of a 1 GiB file on tmpfs with curl (passive, checked), and 1, 8,
#              32 and 64 clients each fetching 64 MiB at once; vsftpd without and with sendfile;
#              the servers take turns for ROUNDS rounds and each figure is the median
#   listings   LIST, NLST (and our MLSD; vsftpd has none) of 1,000, 10,000 and 100,000 entries:
#              time to first byte and total of the median of ROUNDS listings, the servers taking
#              turns, first on a fresh server of our own that has done nothing else ("-fresh"
#              figures), and again on the main server after all transfers; 1,000 RETR of 4 KiB
#              files on one connection (median of ROUNDS turns); the NOOP round trip (median,
#              99th percentile) while 32 downloads run
# Prints each figure, the ratio (ours / vsftpd, above 1 is faster), the busy time of the servers' core, our
# peak memory, our page faults during the listings, and our descriptors and memory before and
# after; then a RESULT line per figure, the transfers against vsftpd with sendfile, the stronger
# of its two set-ups.
#   bench/ftp.sh            (BUILD_DIR=build, LOGINS=10000, BIG_MIB=1024, ROUNDS=5, PORT_BASE=2121,
#                            PARTS="logins transfers listings"; run as root)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-result.sh"
build=${BUILD_DIR:-$top/build}
logins=$(bench_size LOGINS 10000 1000)
big_mib=$(bench_size BIG_MIB 1024 128)
rounds=$(bench_size ROUNDS 5 1)
parts=${PARTS:-logins transfers listings}
port_base=${PORT_BASE:-2121}
vsftpd_bin=$(command -v vsftpd || echo /usr/sbin/vsftpd)

bench_build bench_ftpd

work=$(mktemp -d -p /dev/shm)
results=$work/results
touch "$results"
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
sendfile_port=$((port_base + 2))
fresh_port=$((port_base + 3))
# Each server gets a passive range of 100 ports of its own, outside the range the clients' own
# ports come from: on one machine, passive ports among them make every client's connect search
# longer, which no client elsewhere would pay.
taskset -c 0 "$build/bench/ftpd" "$root" "$ours_port" $((port_base + 400)) >"$work/ftpd.port" &
pids+=($!)
ours_pid=$!

# start_vsftpd PORT SENDFILE
start_vsftpd() {
  cat >"$work/vsftpd-$1.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$1
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
pasv_min_port=$(($1 + 100))
pasv_max_port=$(($1 + 199))
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
max_clients=0
max_per_ip=0
xferlog_enable=NO
use_sendfile=$2
CONF
  taskset -c 0 "$vsftpd_bin" "$work/vsftpd-$1.conf" &
  pids+=($!)
  eval "vsftpd_pid_$1=$!"
}
start_vsftpd "$theirs_port" NO
start_vsftpd "$sendfile_port" YES

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
wait_port "$sendfile_port"

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

# Busy seconds of core 0 so far, where the servers run one at a time: a server's own CPU time
# would miss the work the kernel does for it in interrupts, and vsftpd's session processes
# that its listener never waits for.
core0_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '/^cpu0 / { print ($2 + $3 + $4 + $7 + $8) / hz }' /proc/stat
}

# rate PORT USER CLIENTS FILE: aggregate MB/s of CLIENTS curl downloads of FILE at once.
download_rate() {
  local start end i
  start=$(date +%s.%N)
  for ((i = 0; i < $3; i++)); do
    taskset -c 1-7 curl -s -o /dev/null -u "$2:bench@" "ftp://127.0.0.1:$1/$4" &
  done
  wait_clients
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" -v n="$3" -v mib="$5" 'BEGIN { printf "%.0f", n * mib * 1.048576 / (b - a) }'
}
wait_clients() {
  local pid
  for pid in $(jobs -p); do
    case " ${pids[*]} " in *" $pid "*) ;; *) wait "$pid" ;; esac
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
median() { printf "%s\n" "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Our minor page faults so far: memory that comes fresh from the system is faulted in page by
# page when first touched.
minor_faults() { awk '{ print $10 }' "/proc/$1/stat"; }

# list_both PORT PID SUFFIX: LIST, NLST (and our MLSD; vsftpd has none) of each tree by our
# server at PORT (process PID) and by vsftpd, first byte and total of the median of ROUNDS
# listings, their figures into listings-ours$SUFFIX and listings-theirs$SUFFIX.
list_both() {
  local faults
  faults=$(minor_faults "$2")
  taskset -c 1-7 python3 - "$1" "$theirs_port" "$rounds" "$work/listings-ours$3" "$work/listings-theirs$3" <<'PY'
import ftplib, sys, time
rounds = int(sys.argv[3])
figures = {"ours": open(sys.argv[4], "w"), "theirs": open(sys.argv[5], "w")}
def login(port, user):
    f = ftplib.FTP(); f.connect("127.0.0.1", int(port), timeout=60); f.login(user, "bench@")
    return f
servers = {"ours": login(sys.argv[1], "user"), "theirs": login(sys.argv[2], "anonymous")}
def listing(f, command):
    start = time.perf_counter()
    conn = f.transfercmd(command)
    first = None
    while True:
        block = conn.recv(65536)
        if first is None:
            first = time.perf_counter()
        if not block:
            break
    conn.close(); f.voidresp()
    return (first - start) * 1e3, (time.perf_counter() - start) * 1e3
for n in (1000, 10000, 100000):
    servers["ours"].cwd("l%d" % n)
    servers["theirs"].cwd("/l%d" % n)
    for command in ("LIST", "NLST", "MLSD"):
        names = ["ours"] if command == "MLSD" else ["ours", "theirs"]
        times = {name: [] for name in names}
        # The servers take turns, each first in every other round: a spell of load on the
        # machine falls on both.
        for turn in range(rounds):
            for name in names if turn % 2 == 0 else names[::-1]:
                times[name].append(listing(servers[name], command))
        for name in names:
            first, total = sorted(times[name], key=lambda t: t[1])[len(times[name]) // 2]
            print("%s %-4s %6d  first %7.1f  total %7.1f" % (name, command, n, first, total))
            print("%s-%d %.1f" % (command.lower(), n, total), file=figures[name])
    servers["ours"].cwd("..")
for f in servers.values():
    f.quit()
PY
  echo "  our page faults during these listings: $(($(minor_faults "$2") - faults))"
}

before=$(ours_state)
if [[ " $parts " == *" listings "* ]]; then
  for n in 1000 10000 100000; do
    mkdir -p "$root/l$n"
    (cd "$root/l$n" && seq -f "file%06g.txt" 1 "$n" | xargs touch)
  done
  mkdir -p "$root/small"
  for i in $(seq 1000); do head -c 4096 /dev/urandom >"$root/small/s$i"; done
  [ -f "$root/m64.bin" ] || head -c $((64 << 20)) /dev/urandom >"$root/m64.bin"
  # A server of its own that has served nothing yet, as a user's is when the FTP window has
  # just started it and a client lists a folder; the listings after the transfers below show
  # the same server warmed.
  taskset -c 0 "$build/bench/ftpd" "$root" "$fresh_port" $((port_base + 500)) >/dev/null &
  pids+=($!)
  fresh_pid=$!
  wait_port "$fresh_port"
  echo "FTP listings on a freshly started server (first byte / total, ms, median of $rounds; ours / vsftpd)"
  list_both "$fresh_port" "$fresh_pid" -fresh
  kill "$fresh_pid"
fi
if [[ " $parts " == *" logins "* ]]; then
  declare -A rate
  for mode in 1 8; do
    rate[ours$mode]=$(login_rate "$ours_port" user "$logins" "$mode")
    rate[theirs$mode]=$(login_rate "$theirs_port" anonymous "$logins" "$mode")
  done
  echo "FTP login, NOOP, QUIT cycles per second, $logins logins each (ours / vsftpd)"
  for mode in 1 8; do
    label=$([ "$mode" = 1 ] && echo sequential || echo "8 parallel")
    r=$(ratio "${rate[ours$mode]}" "${rate[theirs$mode]}")
    printf "  %-11s ours %6s/s  vsftpd %6s/s  ratio %s\n" "$label" "${rate[ours$mode]}" "${rate[theirs$mode]}" "$r"
  done
  bench_result ftp-logins-seq "${rate[ours1]}" "${rate[theirs1]}" logins/s ">=1.0" >>"$results"
  bench_result ftp-logins-par8 "${rate[ours8]}" "${rate[theirs8]}" logins/s ">=1.0" >>"$results"
fi

if [[ " $parts " == *" transfers "* ]]; then
  head -c $((big_mib << 20)) /dev/urandom >"$root/big.bin"
  head -c $((64 << 20)) /dev/urandom >"$root/m64.bin"
  want=$(md5sum <"$root/big.bin" | cut -c1-32)
  echo "FTP transfers on tmpfs, curl, passive (MB/s, median of $rounds rounds; ours / vsftpd without sendfile; sendfile beside it)"
  declare -A cpu speed
  for server in ours theirs sendfile; do cpu[$server]=0; done
  # One loopback transfer varies by a third from run to run: the servers take turns, round after
  # round, and each figure is the median of its rounds.
  for ((round = 0; round < rounds; round++)); do
    for server in ours theirs sendfile; do
      port_var=${server}_port
      port=${!port_var}
      user=$([ "$server" = ours ] && echo user || echo anonymous)
      cpu0=$(core0_seconds)
      speed[$server-retr]+=" $(taskset -c 1-7 curl -s -u "$user:bench@" -o /dev/null -w '%{speed_download}' \
        "ftp://127.0.0.1:$port/big.bin" | awk '{ printf "%.0f", $1 / 1e6 }')"
      speed[$server-stor]+=" $(taskset -c 1-7 curl -s -u "$user:bench@" -T "$root/big.bin" -w '%{speed_upload}' \
        "ftp://127.0.0.1:$port/upload/up-$server.bin" | awk '{ printf "%.0f", $1 / 1e6 }')"
      got=$(md5sum <"$root/upload/up-$server.bin" | cut -c1-32)
      [ "$got" = "$want" ] || { echo "the upload to $server differs" >&2; exit 1; }
      rm -f "$root/upload/up-$server.bin"
      for clients in 1 8 32 64; do
        speed[$server-c$clients]+=" $(download_rate "$port" "$user" "$clients" m64.bin 64)"
      done
      cpu[$server]=$(awk -v t="${cpu[$server]}" -v a="$cpu0" -v b="$(core0_seconds)" 'BEGIN { printf "%.1f", t + b - a }')
    done
  done
  for key in "${!speed[@]}"; do speed[$key]=$(median ${speed[$key]}); done
  for what in retr stor c1 c8 c32 c64; do
    r=$(ratio "${speed[ours-$what]}" "${speed[theirs-$what]}")
    printf "  %-5s ours %6s  vsftpd %6s  ratio %s  (vsftpd with sendfile %s)\n" "$what" "${speed[ours-$what]}" \
      "${speed[theirs-$what]}" "$r" "${speed[sendfile-$what]}"
    bench_result "ftp-$what" "${speed[ours-$what]}" "${speed[sendfile-$what]}" MB/s ">=1.0" >>"$results"
  done
  echo "  busy seconds of the servers' core during all transfers: ours ${cpu[ours]}, vsftpd ${cpu[theirs]}, with sendfile ${cpu[sendfile]}"
  echo "  our peak memory: $(awk '/VmHWM/ { print $2 }' /proc/$ours_pid/status) KiB"
fi
if [[ " $parts " == *" listings "* ]]; then
  # Both servers, one after the other: the NOOP round trip while 32 downloads run.
  for server in ours theirs; do
    port_var=${server}_port
    user=$([ "$server" = ours ] && echo user || echo anonymous)
    taskset -c 1-7 python3 - "${!port_var}" "$user" "$server" "$work/figures-$server" <<'PY'
import ftplib, statistics, subprocess, sys, time
port, user, server, figures = int(sys.argv[1]), sys.argv[2], sys.argv[3], open(sys.argv[4], "w")
f = ftplib.FTP(); f.connect("127.0.0.1", port, timeout=60); f.login(user, "bench@")
downloads = [subprocess.Popen(["curl", "-s", "-o", "/dev/null", "-u", user + ":bench@",
                               "ftp://127.0.0.1:%d/m64.bin" % port]) for _ in range(32)]
rtts = []
while len(rtts) < 200 and any(d.poll() is None for d in downloads):
    start = time.perf_counter(); f.voidcmd("NOOP"); rtts.append((time.perf_counter() - start) * 1e3)
for d in downloads:
    d.wait()
rtts.sort()
median, p99 = statistics.median(rtts), rtts[int(len(rtts) * 0.99) - 1]
print("%s NOOP under 32 downloads: median %.2f ms, p99 %.2f ms (%d samples)" % (server, median, p99, len(rtts)))
print("noop-median %.3f\nnoop-p99 %.3f" % (median, p99), file=figures)
f.quit()
PY
  done
  # 1,000 RETRs vary by a fifth from run to run: the servers take turns, each figure the median.
  declare -A small
  for ((round = 0; round < rounds; round++)); do
    for server in ours theirs; do
      port_var=${server}_port
      user=$([ "$server" = ours ] && echo user || echo anonymous)
      small[$server]+=" $(taskset -c 1-7 python3 - "${!port_var}" "$user" <<'PY'
import ftplib, sys, time
f = ftplib.FTP(); f.connect("127.0.0.1", int(sys.argv[1]), timeout=60); f.login(sys.argv[2], "bench@")
f.cwd("small")
start = time.perf_counter()
for i in range(1, 1001):
    f.retrbinary("RETR s%d" % i, lambda b: None)
print("%.0f" % (1000 / (time.perf_counter() - start)))
f.quit()
PY
)"
    done
  done
  echo "FTP listings after the transfers (first byte / total, ms, median of $rounds; ours / vsftpd)"
  list_both "$ours_port" "$ours_pid" ""
  echo "  our peak memory: $(awk '/VmHWM/ { print $2 }' /proc/$ours_pid/status) KiB"
  declare -A figure
  for server in ours theirs; do
    for suffix in "" -fresh; do
      while read -r key value; do figure[$server-$key$suffix]=$value; done <"$work/listings-$server$suffix"
    done
    while read -r key value; do figure[$server-$key]=$value; done <"$work/figures-$server"
    figure[$server-small-retr]=$(median ${small[$server]})
    echo "$server 4 KiB RETR, median of $rounds rounds: ${figure[$server-small-retr]} files/s"
  done
  for suffix in -fresh ""; do
    for n in 1000 10000 100000; do
      bench_result "ftp-list-$n$suffix" "${figure[ours-list-$n$suffix]}" "${figure[theirs-list-$n$suffix]}" ms "<=1.0" >>"$results"
      bench_result "ftp-nlst-$n$suffix" "${figure[ours-nlst-$n$suffix]}" "${figure[theirs-nlst-$n$suffix]}" ms "<=1.0" >>"$results"
      # vsftpd has no MLSD: ours is held to its LIST, the listing that carries the same facts.
      bench_result "ftp-mlsd-$n$suffix" "${figure[ours-mlsd-$n$suffix]}" "${figure[theirs-list-$n$suffix]}" ms "<=1.0" >>"$results"
    done
  done
  bench_result ftp-small-retr "${figure[ours-small-retr]}" "${figure[theirs-small-retr]}" files/s ">=1.0" >>"$results"
  # The control connection's goals are budgets (1 ms median, 5 ms 99th percentile), written as the
  # ratio they allow against vsftpd's own figure.
  for which in median:1 p99:5; do
    peer=${figure[theirs-noop-${which%:*}]}
    bench_result "ftp-noop-under-load-${which%:*}" "${figure[ours-noop-${which%:*}]}" "$peer" ms \
      "<=$(awk -v b="${which#*:}" -v p="$peer" 'BEGIN { printf "%.3f", b / p }')" >>"$results"
  done
fi
sleep 0.5
after=$(ours_state)
echo "  our server before: $before"
echo "  our server after:  $after"
cat "$results"
