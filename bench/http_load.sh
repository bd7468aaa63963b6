#!/usr/bin/env bash
# Load benchmark of the station's built-in HTTP server against nginx.
#
# One output directory is served twice on 127.0.0.1: by bench_httpd (the
# station's HttpDaemon, while a dressage class of 200 starters is updated and
# its page of 200 rows rewritten every second on the station's main thread, see
# bench/bench_httpd.cpp) and by nginx (one worker, keep-alive off). wrk
# drives each in turn from its own process, one request per connection
# ("Connection: close"), with 64 and then 512 concurrent clients, on the arena
# page "/bane1.html"; then with 64 clients on a file of 32 MB, which the
# station sends from disk as the clients take it. The table at the end gives
# both servers' figures, the ratio and whether each target is met:
#   - no failed or refused request (socket errors or non-2xx answers) at
#     either load, nor on the large file;
#   - the station's requests per second at least half of nginx's;
#   - the station's 99th percentile latency at most 10 ms at 64 clients;
#   - the station's throughput on the large file at least 0.8 of nginx's.
# Exits 0 when every target is met, 1 when one is missed, 2 on a setup error.
#
#   [BASELINE=<bench_httpd of another build>] bench/http_load.sh [seconds per run, default 10]
#
# BASELINE compares two builds of the server in one run: that bench_httpd
# (built from the other build's tree with this bench/bench_httpd.cpp, so that
# it serves the same class) runs beside this one with a directory of its own,
# and wrk drives the three servers in turn, so both builds meet the same load
# on the machine. The table then gives its figures too, and one target more:
# the station's requests per second at least the baseline's.
#
# Everything it starts listens on 127.0.0.1 only and stops by itself: the
# station after a fixed time, nginx and the rest through the exit trap.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
cd "$ZEP_ROOT"

DURATION=${1:-10}
THREADS=4
STARTERS=200
LOADS=(64 512)
LARGE_CLIENTS=64
LARGE_MB=32
P99_LIMIT_MS=10
BUILD="$ZEP_ROOT/build-bench"

# --- packages -------------------------------------------------------------
install_tools() {
    local missing=()
    command -v wrk > /dev/null || missing+=(wrk)
    [ -x /usr/sbin/nginx ] || command -v nginx > /dev/null || missing+=(nginx-light)
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    # The nginx package starts a system-wide server on port 80 where it may;
    # this benchmark runs its own, so keep the package's from starting.
    local policy=/usr/sbin/policy-rc.d own_policy=0
    if [ ! -e "$policy" ]; then
        printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" > /dev/null
        $sudo chmod 755 "$policy"
        own_policy=1
    fi
    local rc=0
    $sudo apt-get install -y -q "${missing[@]}" || { $sudo apt-get update -q && $sudo apt-get install -y -q "${missing[@]}"; } || rc=$?
    if [ $own_policy -eq 1 ]; then $sudo rm -f "$policy"; fi
    return $rc
}
zep_install_packages
install_tools
NGINX=$(command -v nginx || echo /usr/sbin/nginx)

# --- build ------------------------------------------------------------------
generator=()
if [ ! -f "$BUILD/CMakeCache.txt" ] && command -v ninja > /dev/null; then generator=(-G Ninja); fi
cmake -S "$ZEP_ROOT" -B "$BUILD" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release > /dev/null
zep_jobs
cmake --build "$BUILD" --target bench_httpd -j "$ZEP_JOBS"
BENCH="$BUILD/bench/bench_httpd"

# --- run directory, limits, clean-up ---------------------------------------
TMP=$(mktemp -d /tmp/zep-http-load.XXXXXX)
# nginx's worker may run as another user: it must read the pages.
chmod 755 "$TMP"
mkdir -p "$TMP/html" "$TMP/nginx"
chmod 755 "$TMP/html"
STATION_PID=""
BASELINE_PID=""
NGINX_PID=""
cleanup() {
    local pid
    for pid in $NGINX_PID $STATION_PID $BASELINE_PID; do
        kill "$pid" 2> /dev/null || true
    done
    for pid in $NGINX_PID $STATION_PID $BASELINE_PID; do
        wait "$pid" 2> /dev/null || true
    done
    if [ -n "${KEEP_TMP:-}" ]; then echo "Kept $TMP"; else rm -rf "$TMP"; fi
}
trap cleanup EXIT
trap 'exit 2' INT TERM

# 512 clients, each a socket at both ends, and the servers' own.
if ! ulimit -n 4096 2> /dev/null; then
    echo "cannot raise the open-file limit to 4096 (it is $(ulimit -n))" >&2
    exit 2
fi

port_in_use() {
    ss -Htln "sport = :$1" 2> /dev/null | grep -q .
}

wait_for_port() { # port seconds
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        if (exec 3<> "/dev/tcp/127.0.0.1/$1") 2> /dev/null; then return 0; fi
        sleep 0.1
    done
    return 1
}

# --- the station --------------------------------------------------------
BASELINE=${BASELINE:-}
SERVERS=(station)
if [ -n "$BASELINE" ]; then
    if [ ! -x "$BASELINE" ]; then
        echo "BASELINE $BASELINE is no program" >&2
        exit 2
    fi
    SERVERS+=(baseline)
fi
SERVERS+=(nginx)
# Long enough for every run with room for start-up; it stops by itself.
STATION_SECONDS=$(( (${#LOADS[@]} + 1) * ${#SERVERS[@]} * (DURATION + 3) + 30 ))
export QT_QPA_PLATFORM=offscreen
mkdir -m 700 "$TMP/runtime"
export XDG_RUNTIME_DIR="$TMP/runtime"

# Starts a bench_httpd serving `root` and waits for its port; sets
# STARTED_PID and STARTED_PORT.
start_station() { # name program root
    local name=$1 i
    "$2" --root "$3" --port-file "$TMP/$name.port" --seconds "$STATION_SECONDS" \
        --starters "$STARTERS" > "$TMP/$name.log" 2>&1 &
    STARTED_PID=$!
    for ((i = 0; i < 600; i++)); do
        [ -s "$TMP/$name.port" ] && break
        if ! kill -0 "$STARTED_PID" 2> /dev/null; then break; fi
        sleep 0.1
    done
    if [ ! -s "$TMP/$name.port" ]; then
        echo "$2 did not start:" >&2
        cat "$TMP/$name.log" >&2
        exit 2
    fi
    STARTED_PORT=$(cat "$TMP/$name.port")
}

# The large file, which every server serves from its directory.
head -c $((LARGE_MB * 1024 * 1024)) /dev/urandom > "$TMP/html/large.bin"
chmod 644 "$TMP/html/large.bin"
start_station station "$BENCH" "$TMP/html"
STATION_PID=$STARTED_PID
STATION_PORT=$STARTED_PORT
PAGE=$(grep -o 'bane1.html -> [^ ]*' "$TMP/station.log" | head -n1 | cut -d' ' -f3 || true)
if [ -z "$PAGE" ]; then
    echo "bench_httpd named no arena page:" >&2
    cat "$TMP/station.log" >&2
    exit 2
fi
sed -n '1,/^  arena page/p' "$TMP/station.log"

BASELINE_PORT=""
if [ -n "$BASELINE" ]; then
    mkdir -p "$TMP/baseline-html"
    ln "$TMP/html/large.bin" "$TMP/baseline-html/large.bin"
    start_station baseline "$BASELINE" "$TMP/baseline-html"
    BASELINE_PID=$STARTED_PID
    BASELINE_PORT=$STARTED_PORT
    # The same class on both, or the comparison says nothing.
    class_line() { grep -m1 '^  class ' "$1"; }
    if [ "$(class_line "$TMP/station.log")" != "$(class_line "$TMP/baseline.log")" ]; then
        echo "the baseline serves another class:" >&2
        cat "$TMP/baseline.log" >&2
        exit 2
    fi
    echo "baseline $BASELINE on 127.0.0.1:$BASELINE_PORT"
fi

# --- nginx --------------------------------------------------------------
NGINX_PORT=""
for ((try = 0; try < 20; try++)); do
    port=$(( 20000 + RANDOM % 30000 ))
    port_in_use "$port" && continue
    cat > "$TMP/nginx/nginx.conf" << CONF
worker_processes 1;
daemon off;
pid $TMP/nginx/nginx.pid;
error_log $TMP/nginx/error.log warn;
events {
    worker_connections 4096;
}
http {
    access_log off;
    keepalive_timeout 0;
    sendfile on;
    types {
        text/html html;
        application/json json;
    }
    default_type application/octet-stream;
    client_body_temp_path $TMP/nginx/body;
    proxy_temp_path $TMP/nginx/proxy;
    fastcgi_temp_path $TMP/nginx/fastcgi;
    uwsgi_temp_path $TMP/nginx/uwsgi;
    scgi_temp_path $TMP/nginx/scgi;
    server {
        listen 127.0.0.1:$port;
        root $TMP/html;
        # The station's alias of arena 1.
        location = /bane1.html {
            try_files /$PAGE =404;
        }
    }
}
CONF
    # Bounded like the station: should this script die unseen, nginx ends
    # too (timeout passes the trap's signal on to it).
    timeout --signal=TERM "$STATION_SECONDS" \
        "$NGINX" -e "$TMP/nginx/error.log" -p "$TMP/nginx" -c "$TMP/nginx/nginx.conf" &
    NGINX_PID=$!
    if wait_for_port "$port" 5; then
        NGINX_PORT=$port
        break
    fi
    kill "$NGINX_PID" 2> /dev/null || true
    wait "$NGINX_PID" 2> /dev/null || true
    NGINX_PID=""
done
if [ -z "$NGINX_PORT" ]; then
    echo "nginx did not start:" >&2
    cat "$TMP/nginx/error.log" >&2 || true
    exit 2
fi

# All serve the same page before the load starts.
for port in "$STATION_PORT" $BASELINE_PORT "$NGINX_PORT"; do
    code=$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/bane1.html" || true)
    if [ "$code" != 200 ]; then
        echo "GET /bane1.html on port $port answered '$code'" >&2
        exit 2
    fi
done
echo "station on 127.0.0.1:$STATION_PORT, nginx on 127.0.0.1:$NGINX_PORT," \
    "page $PAGE of $(stat -c %s "$TMP/html/$PAGE") bytes; wrk: $THREADS threads, ${DURATION}s per run, Connection: close"

# --- load ---------------------------------------------------------------
# A wrk latency ("812.00us", "3.21ms", "1.02s", "1.50m") in milliseconds.
to_ms() {
    awk -v v="$1" 'BEGIN {
        n = v + 0; u = v; sub(/^[0-9.]+/, "", u)
        if (u == "us") n /= 1000; else if (u == "s") n *= 1000; else if (u == "m") n *= 60000
        printf "%.2f", n }'
}

declare -A RPS P99 ERRORS DETAIL
run_wrk() { # name port clients [path key]
    local name=$1 port=$2 clients=$3 path=${4:-/bane1.html} key=${5:-$3}
    local log="$TMP/wrk-$name-$key.log"
    wrk -t "$THREADS" -c "$clients" -d "${DURATION}s" --timeout 60s --latency -H "Connection: close" \
        "http://127.0.0.1:$port$path" > "$log" 2>&1 || true
    local rps p99 connect=0 rd=0 wr=0 timeout=0 status=0 requests
    rps=$(awk '/^Requests\/sec:/ {print $2}' "$log")
    p99=$(awk '$1 == "99%" {print $2}' "$log")
    requests=$(awk '/requests in/ {print $1}' "$log")
    if grep -q 'Socket errors:' "$log"; then
        read -r connect rd wr timeout < <(sed -n 's/.*Socket errors: connect \([0-9]*\), read \([0-9]*\), write \([0-9]*\), timeout \([0-9]*\).*/\1 \2 \3 \4/p' "$log")
    fi
    status=$(awk -F: '/Non-2xx or 3xx responses/ {gsub(/ /, "", $2); print $2}' "$log")
    status=${status:-0}
    if [ -z "$rps" ] || [ -z "$p99" ]; then
        echo "wrk against $name with $clients clients gave no figures:" >&2
        cat "$log" >&2
        RPS[$name,$key]=0
        P99[$name,$key]=-1
        ERRORS[$name,$key]=-1
        DETAIL[$name,$key]="wrk failed"
        return
    fi
    RPS[$name,$key]=$rps
    P99[$name,$key]=$(to_ms "$p99")
    ERRORS[$name,$key]=$((connect + rd + wr + timeout + status))
    DETAIL[$name,$key]="$requests req; connect $connect, read $rd, write $wr, timeout $timeout, non-2xx $status"
    printf '  %-8s %4s clients: %10s req/s  p99 %8s ms  %s\n' "$name" "$clients" "$rps" "${P99[$name,$key]}" \
        "${DETAIL[$name,$key]}${6:-}"
}

declare -A PORT_OF=([station]=$STATION_PORT [baseline]=$BASELINE_PORT [nginx]=$NGINX_PORT)
for clients in "${LOADS[@]}"; do
    for name in "${SERVERS[@]}"; do
        run_wrk "$name" "${PORT_OF[$name]}" "$clients"
        sleep 1
    done
done
for name in "${SERVERS[@]}"; do
    run_wrk "$name" "${PORT_OF[$name]}" "$LARGE_CLIENTS" /large.bin large "; $LARGE_MB MB file"
    sleep 1
done

# --- report -------------------------------------------------------------
ok=1
check() { # text 1|0
    local result=met
    if [ "$2" != 1 ]; then result=MISSED; ok=0; fi
    printf '  %-72s %s\n' "$1" "$result"
}
le() { awk -v a="$1" -v b="$2" 'BEGIN { print ((a <= b) ? 1 : 0) }'; }
ge() { awk -v a="$1" -v b="$2" 'BEGIN { print ((a >= b) ? 1 : 0) }'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
# A server's three columns of the tables below.
figures() { # name clients
    printf '%9s %8sms %6s' "${RPS[$1,$2]}" "${P99[$1,$2]}" "${ERRORS[$1,$2]}"
}

declare -A RATIO BASELINE_RATIO
echo
printf '%-8s | %-26s | %-26s | %s\n' clients "station req/s  p99  errors" "nginx req/s  p99  errors" "ratio"
printf -- '---------+----------------------------+----------------------------+------\n'
# The last row is the large file's, at $LARGE_CLIENTS clients.
for clients in "${LOADS[@]}" large; do
    RATIO[$clients]=$(ratio "${RPS[station,$clients]}" "${RPS[nginx,$clients]}")
    printf '%-8s | %s | %s | %s\n' "$clients" "$(figures station "$clients")" "$(figures nginx "$clients")" \
        "${RATIO[$clients]}"
done
if [ -n "$BASELINE" ]; then
    echo
    printf '%-8s | %-26s | %-14s | %s\n' clients "baseline req/s  p99  errors" "baseline/nginx" "station/baseline"
    printf -- '---------+----------------------------+----------------+-----------------\n'
    for clients in "${LOADS[@]}" large; do
        BASELINE_RATIO[$clients]=$(ratio "${RPS[station,$clients]}" "${RPS[baseline,$clients]}")
        printf '%-8s | %s | %14s | %s\n' "$clients" "$(figures baseline "$clients")" \
            "$(ratio "${RPS[baseline,$clients]}" "${RPS[nginx,$clients]}")" "${BASELINE_RATIO[$clients]}"
    done
fi
echo
echo "Targets:"
for clients in "${LOADS[@]}" large; do
    check "no failed or refused request at $clients clients (station ${ERRORS[station,$clients]}, nginx ${ERRORS[nginx,$clients]})" \
        "$([ "${ERRORS[station,$clients]}" = 0 ] && [ "${ERRORS[nginx,$clients]}" = 0 ] && echo 1 || echo 0)"
done
for clients in "${LOADS[@]}"; do
    check "station req/s at least half of nginx's at $clients clients (ratio ${RATIO[$clients]})" \
        "$(ge "${RATIO[$clients]}" 0.5)"
done
check "station throughput on the $LARGE_MB MB file at least 0.8 of nginx's (ratio ${RATIO[large]})" \
    "$(ge "${RATIO[large]}" 0.8)"
check "station p99 at most $P99_LIMIT_MS ms at 64 clients (${P99[station,64]} ms)" \
    "$([ "${P99[station,64]}" != -1 ] && le "${P99[station,64]}" "$P99_LIMIT_MS" || echo 0)"
if [ -n "$BASELINE" ]; then
    for clients in "${LOADS[@]}"; do
        check "station req/s at least the baseline's at $clients clients (ratio ${BASELINE_RATIO[$clients]})" \
            "$(ge "${BASELINE_RATIO[$clients]}" 1)"
    done
fi

# The stations' own account of the ticks that ran meanwhile.
kill -TERM $STATION_PID $BASELINE_PID 2> /dev/null || true
wait $STATION_PID $BASELINE_PID 2> /dev/null || true
STATION_PID=""
BASELINE_PID=""
echo
grep '^bench_httpd: [0-9]* ticks' "$TMP/station.log" || echo "(bench_httpd printed no tick summary)"
if [ -n "$BASELINE" ]; then
    grep '^bench_httpd: [0-9]* ticks' "$TMP/baseline.log" | sed 's/^/baseline /' \
        || echo "(the baseline printed no tick summary)"
fi
[ $ok = 1 ] && exit 0 || exit 1
