#!/usr/bin/env bash
# Fails when a source file includes from a layer above its own. The layers and what each may
# use are read from the talvex_layer(...) lines of the top CMakeLists.txt, so the build and
# this check cannot drift apart. The front ends (cli, ui) may use every core layer; only ui
# may use Qt, and cli and ui never include each other.
#
#   tools/check-layers.sh [SOURCE-ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

declare -A allowed
core=()
while read -r layer deps; do
    allowed[$layer]="$layer $deps"
    core+=("$layer")
done < <(sed -n 's/^talvex_layer(\([^)]*\)).*/\1/p' CMakeLists.txt)
[ ${#core[@]} -gt 0 ] || { echo "check-layers: no talvex_layer lines in CMakeLists.txt" >&2; exit 2; }
allowed[cli]="cli ${core[*]}"
allowed[ui]="ui ${core[*]}"

rules=""
for layer in "${!allowed[@]}"; do rules+="$layer=${allowed[$layer]};"; done
layers=$(ls -d src/*/ | sed 's|src/||; s|/$||' | tr '\n' ' ')

faults=$(grep -rnE '^[[:space:]]*#[[:space:]]*include' src --include='*.h' --include='*.cpp' |
    awk -v rules="$rules" -v layers="$layers" '
        BEGIN {
            n = split(rules, r, ";")
            for (i = 1; i <= n; i++) if (r[i] != "") {
                split(r[i], kv, "="); m = split(kv[2], deps, " ")
                for (j = 1; j <= m; j++) ok[kv[1] " " deps[j]] = 1
                known[kv[1]] = 1
            }
            n = split(layers, l, " "); for (i = 1; i <= n; i++) dir[l[i]] = 1
            faults = 0
        }
        {
            split($0, parts, ":"); file = parts[1]; line = parts[2]
            text = substr($0, length(file) + length(line) + 3)
            split(file, p, "/"); layer = p[2]
            if (!(layer in known)) next
            if (match(text, /"[^"\/]+\//)) {
                target = substr(text, RSTART + 1, RLENGTH - 2)
                if ((target in dir) && !((layer " " target) in ok)) {
                    print file ":" line ": the " layer " layer includes from " target ": " text > "/dev/stderr"
                    faults++
                }
            }
            if (layer != "ui" && text ~ /#[[:space:]]*include[[:space:]]*<Q/) {
                print file ":" line ": Qt outside the desktop program: " text > "/dev/stderr"
                faults++
            }
        }
        END { print faults }')

if [ $faults -gt 0 ]; then
    echo "check-layers: $faults include(s) cross the layers" >&2
    exit 1
fi
echo "check-layers: every include keeps to its layer (${#core[@]} core layers, cli, ui)"
