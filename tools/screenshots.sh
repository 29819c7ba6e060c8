#!/usr/bin/env bash
# Takes the pictures of the real window shown in the README (docs/screenshots/), at the default
# scale and at 1.5, under Xvfb and against the local imitation of the video site.
#
#   tools/screenshots.sh [OUTPUT-FOLDER]     (default: docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
tools/install-deps.sh
tools/build.sh
dir=${TALVEX_BUILD_DIR:-build}
shots=$PWD/$dir/bin/talvex-screenshots

work=$(mktemp -d "${TMPDIR:-/tmp}/talvex-shots.XXXXXX")
site=$work/site
stop_site() { tests/fixtures/site/serve.sh stop --run-dir "$site" >/dev/null 2>&1 || true; }
trap stop_site EXIT
proxy=$(tests/fixtures/site/serve.sh start --run-dir "$site")
# One slow video (the site sends it at 256 KiB/s a connection), to be caught running and paused.
mkdir -p "$site/media/youtube/slowStream1"
head -c $((24 * 1024 * 1024)) /dev/urandom >"$site/media/youtube/slowStream1/18.mp4"

for scale in 1 1.5; do
    home=$work/home-$scale
    mkdir -p "$home/Videos" "$home/.config/Orlenta"
    mkdir -p -m 700 "$work/run-$scale"
    printf '{"DownloadDirectory": "%s"}\n' "$home/Videos" >"$home/.config/Orlenta/Talvex.json"
    suffix=""
    [[ $scale != 1 ]] && suffix="-x$scale"
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_RUNTIME_DIR="$work/run-$scale" QT_SCALE_FACTOR="$scale" \
        http_proxy="$proxy" https_proxy="$proxy" no_proxy= NO_PROXY= \
        xvfb-run -a -s "-screen 0 1600x1200x24" "$shots" "$out" "$suffix"
done
echo "pictures in $out"
