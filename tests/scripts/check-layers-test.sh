#!/usr/bin/env bash
# The layer check passes on a tree that keeps its layers and fails, naming the file, on one
# that does not: an include from a higher layer, Qt in the core, and the command line using
# the desktop program's code.
set -euo pipefail
check=$(cd "$(dirname "$0")/../.." && pwd)/tools/check-layers.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/src/{low,high,cli,ui}
printf 'talvex_layer(low)\ntalvex_layer(high low)\n' >"$tree/CMakeLists.txt"
printf '#include "low/A.h"\n#include <string>\n' >"$tree/src/high/B.h"
printf '#include "high/B.h"\n#include <QWidget>\n' >"$tree/src/ui/W.cpp"
printf '#include "high/B.h"\n' >"$tree/src/cli/C.cpp"
printf '#pragma once\n' >"$tree/src/low/A.h"
"$check" "$tree" >/dev/null || { echo "FAIL: a sound tree was refused" >&2; exit 1; }

expect_refused() {  # FILE TEXT WHAT
    printf '%s\n' "$2" >>"$tree/$1"
    if out=$("$check" "$tree" 2>&1); then echo "FAIL: not caught: $3" >&2; exit 1; fi
    grep -qF "$1" <<<"$out" || { echo "FAIL: $3 reported without its file: $out" >&2; exit 1; }
    sed -i '$d' "$tree/$1"
}
expect_refused src/low/A.h '#include "high/B.h"' "a lower layer including a higher one"
expect_refused src/high/B.h '  #  include <QString>' "Qt in the core"
expect_refused src/cli/C.cpp '#include "ui/W.h"' "the command line including the desktop program"
echo "check-layers-test: passed"
