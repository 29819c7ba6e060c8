#!/usr/bin/env bash
# The whole command-line path (start-up, site script, four-segment download, result) against
# curl fetching the same media through the same local fixture site, in one run: a 256 MiB
# video, ROUNDS times each, median wall and CPU time and their ratios. Every copy is compared
# with the served file.
#   tests/bench/cli-download-bench.sh BUILD_DIR [ROUNDS]
set -euo pipefail
BUILD=${1:?usage: cli-download-bench.sh BUILD_DIR [ROUNDS]}
ROUNDS=${2:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
CLI=$BUILD/bin/talvex-cli
SERVE=$HERE/../fixtures/site/serve.sh
[[ -x $CLI ]] || { echo "build the target talvex-cli first" >&2; exit 2; }

WORK=$(mktemp -d)
cleanup() {
    "$SERVE" stop --run-dir "$WORK/site" >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/home" "$WORK/out"
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
PROXY=$("$SERVE" start --run-dir "$WORK/site" --media bytes)
export http_proxy=$PROXY
unset https_proxy HTTPS_PROXY ALL_PROXY all_proxy no_proxy NO_PROXY
MEDIA=$WORK/site/media/youtube/aHDtour2011/37.mp4
head -c $((256 << 20)) /dev/urandom >"$MEDIA"
MEDIA_URL="http://media.youtube.test/videoplayback?id=aHDtour2011&itag=37&sparams=id%2Citag"

# "wall user+sys" of one command.
measure() {
    local TIMEFORMAT='%R %U %S' out
    out=$({ time "$@" >"$WORK/last.out" 2>&1; } 2>&1) || { cat "$WORK/last.out" >&2; return 1; }
    awk '{printf "%s %.3f\n", $1, $2 + $3}' <<<"$out"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: >"$WORK/cli.txt"
: >"$WORK/curl.txt"
for _ in $(seq 1 "$ROUNDS"); do
    rm -f "$WORK/out"/*
    measure "$CLI" download -q 1080p -o "$WORK/out" "http://www.youtube.com/watch?v=aHDtour2011" \
        >>"$WORK/cli.txt"
    cmp -s "$MEDIA" "$WORK/out"/*.mp4 || { echo "talvex-cli's copy differs" >&2; exit 1; }
    measure curl -sS --fail -o "$WORK/curl.bin" "$MEDIA_URL" >>"$WORK/curl.txt"
    cmp -s "$MEDIA" "$WORK/curl.bin" || { echo "curl's copy differs" >&2; exit 1; }
    rm -f "$WORK/curl.bin"
done
cli_wall=$(cut -d' ' -f1 "$WORK/cli.txt" | median)
cli_cpu=$(cut -d' ' -f2 "$WORK/cli.txt" | median)
curl_wall=$(cut -d' ' -f1 "$WORK/curl.txt" | median)
curl_cpu=$(cut -d' ' -f2 "$WORK/curl.txt" | median)
echo "256 MiB through the local site, median of $ROUNDS:"
echo "  talvex-cli download: wall ${cli_wall}s  cpu ${cli_cpu}s"
echo "  curl:                wall ${curl_wall}s  cpu ${curl_cpu}s"
awk -v a="$cli_wall" -v b="$curl_wall" -v c="$cli_cpu" -v d="$curl_cpu" \
    'BEGIN {printf "  ratio talvex-cli/curl: wall %.2f  cpu %.2f\n", a / b, c / d}'
