#!/usr/bin/env bash
# Checks that Talvex installs like a Linux desktop application:
#  - `cmake --install` into a temporary prefix puts the programs in bin/, the resources in
#    share/talvex/ and the launcher entry, icons and software-centre description in the
#    desktop's standard folders;
#  - the installed launcher entry passes desktop-file-validate and the description passes
#    `appstreamcli validate --no-net`;
#  - the installed programs start from there and find their resources without the build tree:
#    talvex-cli lists the bundled sites (script file) and speaks German when told to (language
#    files); talvex and talvex-scripts answer --version;
#  - removing the files listed in install_manifest.txt (docs/install.md) leaves nothing behind.
#
#   tools/check-install.sh [--no-build]   (--no-build: use the build as it is)
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} != --no-build ]]; then
    tools/install-deps.sh
    tools/build.sh
fi
dir=${TALVEX_BUILD_DIR:-build}
build=$(cd "$dir" && pwd)
for tool in desktop-file-validate appstreamcli readelf; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "check-install: $tool is missing (packages desktop-file-utils, appstream, binutils)" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/talvex-install.XXXXXX")
prefix=$work/prefix
manifest=$build/install_manifest.txt
# The install below rewrites the build's manifest; a manifest of a real installation is kept.
if [[ -f $manifest ]]; then cp "$manifest" "$work/manifest.saved"; fi
cleanup() {
    if [[ -f $work/manifest.saved ]]; then
        cp "$work/manifest.saved" "$manifest"
    else
        rm -f "$manifest"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "check-install: FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "check-install: ok: $*"; }

cmake --install "$dir" --prefix "$prefix" >"$work/install.log" || {
    cat "$work/install.log" >&2
    echo "check-install: cmake --install failed" >&2
    exit 1
}
cp "$manifest" "$work/manifest"

# --- Every file in its place ---------------------------------------------------------------
expected=(
    bin/talvex bin/talvex-cli bin/talvex-scripts
    share/talvex/scripts.qrs share/talvex/pages/index.html
    share/applications/talvex.desktop
    share/metainfo/com.orlenta.talvex.metainfo.xml
    share/icons/hicolor/scalable/apps/talvex.svg
)
for lang in data/Lang/*.ini; do
    expected+=("share/talvex/Lang/$(basename "$lang")")
done
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/talvex.png")
done
missing=0
for file in "${expected[@]}"; do
    if [[ ! -s $prefix/$file ]]; then
        fail "not installed: $file"
        missing=1
    fi
done
for program in talvex talvex-cli talvex-scripts; do
    if [[ -e $prefix/bin/$program && ! -x $prefix/bin/$program ]]; then
        fail "not executable: bin/$program"
        missing=1
    fi
done
[[ $missing == 0 ]] && pass "${#expected[@]} files in their places"
# Nothing but the programs in bin/ (no test runners, no build helpers).
extra=$(cd "$prefix/bin" && ls | grep -vxE 'talvex|talvex-cli|talvex-scripts' || true)
if [[ -n $extra ]]; then fail "unexpected programs in bin/: $extra"; else pass "bin/ holds the three programs"; fi
# The installed programs must not point back into the build tree.
for program in talvex talvex-cli talvex-scripts; do
    if readelf -d "$prefix/bin/$program" 2>/dev/null | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "bin/$program keeps a library path into the build tree"
    fi
done

# --- Validators ----------------------------------------------------------------------------
desktop=$prefix/share/applications/talvex.desktop
if out=$(desktop-file-validate "$desktop" 2>&1) && ! grep -qE 'error|warning' <<<"$out"; then
    pass "desktop-file-validate"
else
    fail "desktop-file-validate: $out"
fi
grep -qx 'Exec=talvex %U' "$desktop" || fail "the launcher does not start talvex"
grep -qx 'Icon=talvex' "$desktop" || fail "the launcher's icon is not talvex"
metainfo=$prefix/share/metainfo/com.orlenta.talvex.metainfo.xml
if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
    pass "appstreamcli validate"
else
    fail "appstreamcli validate: $out"
fi
grep -qF '<launchable type="desktop-id">talvex.desktop</launchable>' "$metainfo" ||
    fail "the description does not name talvex.desktop"

# --- The installed programs run from the prefix ---------------------------------------------
# A home of its own, and no TALVEX_RESOURCE_DIR: the programs must find share/talvex themselves.
home=$work/home
mkdir -p "$home/config/Orlenta" "$home/data" "$home/run"
chmod 700 "$home/run"
run() {
    env -u TALVEX_RESOURCE_DIR HOME="$home" XDG_CONFIG_HOME="$home/config" \
        XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" timeout 60 "$@"
}
version=$(sed -n 's/^project(Talvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for program in talvex talvex-cli; do
    if out=$(run "$prefix/bin/$program" --version 2>&1) && grep -qF "$version" <<<"$out"; then
        pass "$program --version: $out"
    else
        fail "$program --version: $out"
    fi
done
if run "$prefix/bin/talvex-scripts" --help >/dev/null 2>&1; then
    pass "talvex-scripts starts"
else
    fail "talvex-scripts --help failed"
fi

# The bundled script file: its version line, then the site keys.
if out=$(run "$prefix/bin/talvex-cli" sites 2>&1) && grep -qx 'youtube.com' <<<"$out"; then
    pass "talvex-cli sites lists $(($(wc -l <<<"$out") - 1)) sites"
else
    fail "talvex-cli sites did not list the bundled sites: $out"
fi

# The language files: German chosen in the settings, a message read from res1031.ini.
printf '{"Language":"1031"}' >"$home/config/Orlenta/Talvex.json"
# (A manual command that is not the encoder's is refused, in the chosen language, before
# anything runs.)
german=$(sed -n 's/^msg.manual.not.encoder=//p' data/Lang/res1031.ini)
printf 'not really a video' >"$work/clip.mp4"
out=$(run "$prefix/bin/talvex-cli" convert --manual "touch %1.x" "$work/clip.mp4" 2>&1 || true)
if [[ -n $german ]] && grep -qF "$german" <<<"$out"; then
    pass "talvex-cli reads its language files"
else
    fail "talvex-cli did not use the installed German texts: $out"
fi

# The desktop program itself, in a fresh home: opens its window (offscreen), seeds the user's
# script file from the installed one, and closes cleanly when the session ends it (SIGTERM).
home=$work/guihome
mkdir -p "$home/config" "$home/data" "$home/run"
chmod 700 "$home/run"
status=0
env -u TALVEX_RESOURCE_DIR QT_QPA_PLATFORM=offscreen HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" \
    timeout --preserve-status 8 "$prefix/bin/talvex" >"$work/gui.log" 2>&1 || status=$?
if [[ $status == 0 && -s $home/data/Talvex/scripts0.qrs ]]; then
    pass "talvex opens from the prefix and finds its script file"
else
    fail "talvex (exit status $status) did not start from the prefix: $(cat "$work/gui.log")"
fi

# --- Removing what was installed -------------------------------------------------------------
xargs -d '\n' rm -f <"$work/manifest"
left=$(find "$prefix" -type f)
if [[ -n $left ]]; then fail "left after removing the manifest's files: $left"; else pass "removal by the manifest"; fi

if [[ $failures -gt 0 ]]; then
    echo "check-install: $failures check(s) failed" >&2
    exit 1
fi
echo "check-install: all checks passed"
