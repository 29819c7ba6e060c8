#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; prints CTest's summary.
# Extra arguments go to ctest (for example: -L unit).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
dir=${TALVEX_BUILD_DIR:-build}
cd "$dir"
ctest --output-on-failure -j2 --timeout 600 "$@"
