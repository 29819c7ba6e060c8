#!/usr/bin/env bash
# Benchmark (not a test): the HTTP client's whole-file transfer against curl, both fetching the
# same 512 MiB file from a local nginx into files on the same disk. Prints the wall and CPU
# seconds of each (median of the rounds) and the ratios; the goal is wall time within 10% of
# curl's and CPU time within 1.5x.
#   tests/bench/net-download-bench.sh BUILD_DIR [ROUNDS]
set -euo pipefail
BUILD=${1:?usage: net-download-bench.sh BUILD_DIR [ROUNDS]}
ROUNDS=${2:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
BENCH=$BUILD/bin/bench_net_download
[[ -x $BENCH ]] || { echo "build the target bench_net_download first" >&2; exit 2; }
CURL=${CURL:-curl}

WORK=$(mktemp -d)
cleanup() {
    "$HERE/../support/nginx-site.sh" stop --run-dir "$WORK/run" || true
    rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/root" "$WORK/out"
head -c $((512 << 20)) /dev/urandom >"$WORK/root/big.bin"
URL=$("$HERE/../support/nginx-site.sh" start --root "$WORK/root" --run-dir "$WORK/run")/big.bin
unset http_proxy https_proxy HTTPS_PROXY ALL_PROXY all_proxy no_proxy

# "wall user sys" of one command (bash's own timing of the child).
measure() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>&1
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

"$CURL" -s -o "$WORK/out/warm" "$URL"  # page cache warm for both
rm -f "$WORK/out/warm"
: >"$WORK/curl.times"
: >"$WORK/ours.times"
for ((i = 1; i <= ROUNDS; i++)); do
    measure "$CURL" -s -o "$WORK/out/curl.bin" "$URL" >>"$WORK/curl.times"
    cmp -s "$WORK/out/curl.bin" "$WORK/root/big.bin" || { echo "curl copy differs" >&2; exit 1; }
    rm -f "$WORK/out/curl.bin"
    measure "$BENCH" "$URL" "$WORK/out/ours.bin" >>"$WORK/ours.times"
    cmp -s "$WORK/out/ours.bin" "$WORK/root/big.bin" || { echo "our copy differs" >&2; exit 1; }
    rm -f "$WORK/out/ours.bin"
done

stats() {  # median wall, median cpu (user + sys)
    echo "$(awk '{print $1}' "$1" | median) $(awk '{print $2 + $3}' "$1" | median)"
}
read -r CW CC < <(stats "$WORK/curl.times")
read -r OW OC < <(stats "$WORK/ours.times")
awk -v cw="$CW" -v cc="$CC" -v ow="$OW" -v oc="$OC" -v rounds="$ROUNDS" 'BEGIN {
    printf "512 MiB from nginx on 127.0.0.1, median of %d rounds\n", rounds
    printf "curl -o             wall %6.2f s  cpu %6.2f s\n", cw, cc
    printf "DownloadRange       wall %6.2f s  cpu %6.2f s\n", ow, oc
    printf "ratios: wall %.2f (goal <= 1.10), cpu %.2f (goal <= 1.50)\n", ow / cw, (cc > 0 ? oc / cc : 0)
}'
