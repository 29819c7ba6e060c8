#!/bin/sh
# Conversion overhead benchmark: a 60-second 720p clip converted through a ConvertItem against
# the same encoder command run directly, in one run (see convert-overhead.cpp).
#   tests/bench/convert-overhead.sh [BUILD_FOLDER] [RUNS] [PROFILE] [QUALITY]
set -eu
build=${1:-build}
runs=${2:-3}
profile=${3:-1}
quality=${4:-1}
driver=$build/bin/convert_overhead
if [ ! -x "$driver" ]; then
    echo "build the driver first: cmake --build $build --target convert_overhead" >&2
    exit 2
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i testsrc=size=1280x720:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
    -t 60 -pix_fmt yuv420p -c:v libx264 -preset veryfast -c:a aac "$tmp/clip720.mp4"
"$driver" "$tmp/clip720.mp4" "$tmp/work" "$runs" "$profile" "$quality"
