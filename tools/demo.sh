#!/usr/bin/env bash
# The main job, end to end and offline: installs what is missing, builds, serves a local
# imitation of the video site (this machine may have no internet), downloads a sample video
# with talvex-cli and converts it to MP3, shows where both files are, and stops the server.
#
#   tools/demo.sh [WATCH-ADDRESS]         (default: a sample video of the local site)
#   tools/demo.sh --gui [WATCH-ADDRESS]   opens the desktop window against the local site instead,
#                                         with the address in its box; ends when it is closed
#
# The demo runs in a home of its own under a temporary folder, so the user's settings, script
# file and debug log are left alone; the files it makes stay there for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
gui=false
if [[ ${1:-} == --gui ]]; then
    gui=true
    shift
fi
address=${1:-http://www.youtube.com/watch?v=aHDtour2011}

tools/install-deps.sh
dir=${TALVEX_BUILD_DIR:-build}
# Only the program the demo runs (and the resources it needs), not every test and benchmark.
cmake -S . -B "$dir" -G Ninja >/dev/null
if $gui; then target=talvex; else target=talvex-cli; fi
cmake --build "$dir" --target "$target"
cli=$PWD/$dir/bin/talvex-cli

work=$(mktemp -d "${TMPDIR:-/tmp}/talvex-demo.XXXXXX")
site=$work/site
videos=$work/videos
mkdir -p "$videos" "$work/home"
stop_site() { tests/fixtures/site/serve.sh stop --run-dir "$site" >/dev/null 2>&1 || true; }
trap stop_site EXIT

echo "== Starting a local imitation of the video site on 127.0.0.1 (no internet needed)"
proxy=$(tests/fixtures/site/serve.sh start --run-dir "$site")
echo "   site (an HTTP proxy for the video site's host): $proxy"

if $gui; then
    if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
        echo "demo: --gui needs a desktop session (DISPLAY or WAYLAND_DISPLAY); try xvfb-run" >&2
        exit 1
    fi
    echo "== Opening the Talvex window (close it to end the demo); downloads go to $videos"
    mkdir -p "$work/home/.config/Orlenta"
    printf '{"DownloadDirectory": "%s"}\n' "$videos" >"$work/home/.config/Orlenta/Talvex.json"
    mkdir -p -m 700 "$work/run"
    env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/run" \
        http_proxy="$proxy" https_proxy="$proxy" no_proxy= NO_PROXY= \
        "$PWD/$dir/bin/talvex" --addurl "$address"
    echo "== Files downloaded in the demo:"
    ls -l "$videos"
    exit 0
fi

echo "== talvex-cli download --convert mp3 $address"
results=$work/results.txt
status=0
env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    http_proxy="$proxy" https_proxy="$proxy" no_proxy= NO_PROXY= \
    "$cli" download --folder "$videos" --convert mp3 "$address" | tee "$results" || status=$?

echo "== Result (exit status $status)"
video=$(sed -n 's/^Completed: \(.*\.\(mp4\|flv\)\)$/\1/p' "$results" | head -n1)
mp3=$(sed -n 's/^Completed: \(.*\.mp3\)$/\1/p' "$results" | head -n1)
[[ -n $video ]] && echo "   video: $video ($(stat -c %s "$video") bytes)"
[[ -n $mp3 ]] && echo "   MP3:   $mp3 ($(stat -c %s "$mp3") bytes)"
echo "   folder: $videos"
if [[ $status -ne 0 || -z $video || -z $mp3 ]]; then
    echo "demo: the download or the conversion did not complete" >&2
    exit 1
fi
