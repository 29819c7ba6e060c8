#!/usr/bin/env bash
# Serves a folder over HTTP on 127.0.0.1 with nginx, for demos and benchmarks without the test
# fixture. The same layout as the tests' NginxServer:
#   /...           the folder, with byte ranges
#   /norange/...   the same files, ranges refused (answers "200")
#   /slow/...      the same files at --rate per connection (default 256k)
#   /gzip/...      the same files compressed on the fly
#   /redirect/X    "302" to /X
# --host "NAMES=DIR" adds a virtual host: with http_proxy=http://127.0.0.1:PORT, a request for
# http://NAME/... is answered from DIR (how a video site is imitated offline).
#
#   nginx-site.sh start --root DIR --run-dir DIR [--port N|auto] [--rate RATE]
#                       [--host "NAMES=DIR"]... [--main-conf FILE] [--http-conf FILE]
#       starts nginx in the background and prints its base address (http://127.0.0.1:PORT)
#   nginx-site.sh stop --run-dir DIR       stops the server started with that run folder
#   nginx-site.sh url --run-dir DIR        prints the base address again
# --main-conf and --http-conf add a file's text to the main context (load_module, rtmp { }) or
# to the http block (more servers). The run folder holds the configuration, logs and pid.
set -euo pipefail

NGINX=${TALVEX_NGINX:-/usr/sbin/nginx}

die() { echo "nginx-site: $*" >&2; exit 1; }

port_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

write_config() {
    local run=$1 root=$2 port=$3 rate=$4
    {
        [[ -n $MAIN_CONF ]] && cat "$MAIN_CONF"
        [[ $(id -u) == 0 ]] && echo "user root;"
        cat <<CONF
worker_processes 1;
daemon on;
pid $run/nginx.pid;
error_log $run/error.log warn;
events { worker_connections 512; }
http {
  types { text/html html htm; text/plain txt; video/mp4 mp4; video/x-flv flv; }
  default_type application/octet-stream;
  access_log $run/access.log;
  client_body_temp_path $run/tmp/body;
  proxy_temp_path $run/tmp/proxy;
  fastcgi_temp_path $run/tmp/fastcgi;
  uwsgi_temp_path $run/tmp/uwsgi;
  scgi_temp_path $run/tmp/scgi;
  sendfile on;
  keepalive_timeout 60;
  server {
    listen 127.0.0.1:$port default_server;
    server_name _;
    root $root;
    location / { }
    location /norange/ { alias $root/; max_ranges 0; }
    location /slow/ { alias $root/; limit_rate $rate; }
    location /gzip/ { alias $root/; gzip on; gzip_types *; gzip_min_length 0; }
    location /redirect/ { rewrite ^/redirect/(.*)\$ /\$1 redirect; }
  }
CONF
        local host names folder
        for host in "${HOSTS[@]}"; do
            names=${host%%=*}
            folder=$(realpath "${host#*=}")
            printf '  server {\n    listen 127.0.0.1:%s;\n    server_name %s;\n    root %s;\n    location / { }\n  }\n' \
                "$port" "$names" "$folder"
        done
        [[ -n $HTTP_CONF ]] && cat "$HTTP_CONF"
        echo "}"
    } >"$run/nginx.conf"
}

start() {
    [[ -n $ROOT && -d $ROOT ]] || die "--root must name a folder"
    [[ -n $RUN ]] || die "--run-dir is required"
    [[ -x $NGINX ]] || die "nginx not found at $NGINX"
    mkdir -p "$RUN/tmp"
    RUN=$(realpath "$RUN")
    local root port attempt
    root=$(realpath "$ROOT")
    [[ -f $RUN/nginx.pid ]] && kill -0 "$(cat "$RUN/nginx.pid")" 2>/dev/null &&
        die "already running for $RUN"
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        if [[ $PORT == auto ]]; then
            port=$((20000 + RANDOM % 40000))
            port_answers "$port" && continue
        else
            port=$PORT
        fi
        write_config "$RUN" "$root" "$port" "$RATE"
        rm -f "$RUN/nginx.pid"
        if "$NGINX" -p "$RUN/" -c "$RUN/nginx.conf" -e "$RUN/error.log" 2>>"$RUN/error.log"; then
            local i
            for i in $(seq 1 200); do
                if [[ -f $RUN/nginx.pid ]] && port_answers "$port"; then
                    echo "$port" >"$RUN/port"
                    echo "http://127.0.0.1:$port"
                    return 0
                fi
                sleep 0.05
            done
            stop_server
            die "nginx started but does not answer (see $RUN/error.log)"
        fi
        [[ $PORT == auto ]] || break
    done
    die "nginx did not start (see $RUN/error.log)"
}

stop_server() {
    [[ -n $RUN && -f $RUN/nginx.pid ]] || return 0
    local pid i
    pid=$(cat "$RUN/nginx.pid")
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
    rm -f "$RUN/nginx.pid"
}

COMMAND=${1:-}
shift || true
ROOT="" RUN="" PORT=auto RATE=256k MAIN_CONF="" HTTP_CONF=""
HOSTS=()
while (($#)); do
    case $1 in
        --root) ROOT=$2; shift 2 ;;
        --run-dir) RUN=$2; shift 2 ;;
        --port) PORT=$2; shift 2 ;;
        --rate) RATE=$2; shift 2 ;;
        --host) [[ $2 == *=* ]] || die "--host takes NAMES=DIR"; HOSTS+=("$2"); shift 2 ;;
        --main-conf) MAIN_CONF=$(realpath "$2"); shift 2 ;;
        --http-conf) HTTP_CONF=$(realpath "$2"); shift 2 ;;
        *) die "unknown option $1" ;;
    esac
done

case $COMMAND in
    start) start ;;
    stop) [[ -n $RUN ]] || die "--run-dir is required"; stop_server ;;
    url) [[ -f $RUN/port ]] || die "not started"; echo "http://127.0.0.1:$(cat "$RUN/port")" ;;
    *) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
