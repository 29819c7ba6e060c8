#!/usr/bin/env bash
# Download benchmark (not a test), in one run against a local nginx:
#  1. a 64 MiB file at 4 MiB/s per connection: our four-segment download against our single
#     stream and against aria2c -x4 -s4 (goals: four segments >= 3.5x faster than one stream,
#     and no slower than aria2c);
#  2. a 512 MiB file without limits: our wall and CPU time against curl -o (goals: wall within
#     10%, CPU within 1.5x);
#  3. the peak resident memory of our process during the 512 MiB download (goal: flat, under
#     64 MiB).
# Every copy is compared with the served file.
#   tests/bench/download-bench.sh BUILD_DIR [ROUNDS]
set -euo pipefail
BUILD=${1:?usage: download-bench.sh BUILD_DIR [ROUNDS]}
ROUNDS=${2:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
DRIVER=$BUILD/bin/download_bench
[[ -x $DRIVER ]] || { echo "build the target download_bench first" >&2; exit 2; }
command -v aria2c >/dev/null || { echo "aria2c is needed (Debian package aria2)" >&2; exit 2; }

WORK=$(mktemp -d)
cleanup() {
    "$HERE/../support/nginx-site.sh" stop --run-dir "$WORK/run" || true
    rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/root" "$WORK/home"
# The driver keeps its settings and log away from the user's.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
unset http_proxy https_proxy HTTPS_PROXY ALL_PROXY all_proxy no_proxy
head -c $((64 << 20)) /dev/urandom >"$WORK/root/m64.bin"
head -c $((512 << 20)) /dev/urandom >"$WORK/root/m512.bin"
BASE=$("$HERE/../support/nginx-site.sh" start --root "$WORK/root" --run-dir "$WORK/run" \
    --rate 4m)

# "wall user+sys" of one command.
measure() {
    local TIMEFORMAT='%R %U %S' out
    out=$({ time "$@" >"$WORK/last.out" 2>&1; } 2>&1) || { cat "$WORK/last.out" >&2; return 1; }
    awk '{printf "%s %.3f\n", $1, $2 + $3}' <<<"$out"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
check() { cmp -s "$1" "$2" || { echo "copy $1 differs from $2" >&2; exit 1; }; }
ours() {  # MODE URL FILE -> times; checks the stored copy
    local flag=()
    [[ $1 == single ]] && flag=(--single)
    rm -rf "$WORK/out"
    measure "$DRIVER" "${flag[@]}" "$2" "$WORK/out"
    grep -q "^stored $1 " "$WORK/last.out" || { cat "$WORK/last.out" >&2; exit 1; }
    check "$WORK/out/bench.bin" "$WORK/root/$3"
    RSS=$(sed -n 's/.*peak_rss_kib=\([0-9]*\).*/\1/p' "$WORK/last.out")
}

curl -s -o /dev/null "$BASE/m512.bin"; curl -s -o /dev/null "$BASE/m64.bin"  # page cache
: >"$WORK/four" ; : >"$WORK/one" ; : >"$WORK/aria" ; : >"$WORK/big" ; : >"$WORK/curl" ; : >"$WORK/rss"
for ((i = 1; i <= ROUNDS; i++)); do
    ours multi "$BASE/slow/m64.bin" m64.bin >>"$WORK/four"
    ours single "$BASE/slow/m64.bin" m64.bin >>"$WORK/one"
    rm -rf "$WORK/aria-out"
    measure aria2c -q -x4 -s4 -k1M --allow-overwrite=true --file-allocation=none \
        -d "$WORK/aria-out" -o m64.bin "$BASE/slow/m64.bin" >>"$WORK/aria"
    check "$WORK/aria-out/m64.bin" "$WORK/root/m64.bin"
    ours multi "$BASE/m512.bin" m512.bin >>"$WORK/big"
    echo "$RSS" >>"$WORK/rss"
    rm -f "$WORK/curl.bin"
    measure curl -s -o "$WORK/curl.bin" "$BASE/m512.bin" >>"$WORK/curl"
    check "$WORK/curl.bin" "$WORK/root/m512.bin"
done

wall() { awk '{print $1}' "$1" | median; }
cpu() { awk '{print $2}' "$1" | median; }
awk -v rounds="$ROUNDS" \
    -v four="$(wall "$WORK/four")" -v one="$(wall "$WORK/one")" -v aria="$(wall "$WORK/aria")" \
    -v bw="$(wall "$WORK/big")" -v bc="$(cpu "$WORK/big")" \
    -v cw="$(wall "$WORK/curl")" -v cc="$(cpu "$WORK/curl")" \
    -v rss="$(median <"$WORK/rss")" 'BEGIN {
    printf "median of %d rounds, nginx on 127.0.0.1\n", rounds
    printf "64 MiB at 4 MiB/s per connection:\n"
    printf "  four segments      wall %7.2f s\n", four
    printf "  one stream         wall %7.2f s   speed-up %.2fx (goal >= 3.5)\n", one, one / four
    printf "  aria2c -x4 -s4     wall %7.2f s   ours/aria2c %.2f (goal <= 1.00)\n", aria, four / aria
    printf "512 MiB without limits:\n"
    printf "  four segments      wall %7.2f s  cpu %6.2f s\n", bw, bc
    printf "  curl -o            wall %7.2f s  cpu %6.2f s\n", cw, cc
    printf "  ratios: wall %.2f (goal <= 1.10), cpu %.2f (goal <= 1.50)\n", bw / cw, (cc > 0 ? bc / cc : 0)
    printf "peak resident memory of the 512 MiB download: %.1f MiB (goal < 64)\n", rss / 1024
}'
