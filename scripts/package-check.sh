#!/usr/bin/env bash
# Builds the program as a packager would (Release, warnings as errors) and
# checks what it installs: the file list of `cmake --install`, the desktop
# entry, the AppStream description, the Debian package's control data and
# contents, and the package itself, installed with apt-get, started, and
# removed again. Needs root or sudo for the apt-get steps.
#
# Usage: scripts/package-check.sh [build folder]   (default: build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}

fail() { echo "FAILED: $*"; exit 1; }
step() { echo "== $*"; }
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

scripts/install-deps.sh

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
step "Release build in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCINDRA_WERROR=ON \
    -DSCINDRA_TESTS=OFF -DSCINDRA_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build"

id=fr.scindra.Scindra
expected=(
    /usr/bin/scindra
    /usr/share/applications/$id.desktop
    /usr/share/icons/hicolor/128x128/apps/$id.png
    /usr/share/icons/hicolor/16x16/apps/$id.png
    /usr/share/icons/hicolor/256x256/apps/$id.png
    /usr/share/icons/hicolor/32x32/apps/$id.png
    /usr/share/icons/hicolor/48x48/apps/$id.png
    /usr/share/icons/hicolor/64x64/apps/$id.png
    /usr/share/icons/hicolor/scalable/apps/$id.svg
    /usr/share/metainfo/$id.metainfo.xml
)
expected_list=$(printf '%s\n' "${expected[@]}" | sort)

destdir=$(mktemp -d)
trap 'rm -rf "$destdir"' EXIT
step "cmake --install into a temporary DESTDIR"
DESTDIR=$destdir cmake --install "$build" --prefix /usr >/dev/null
installed=$(cd "$destdir" && find . -type f | sed 's/^\.//' | sort)
[ "$installed" = "$expected_list" ] || fail "installed files differ:
$(diff <(echo "$expected_list") <(echo "$installed") || true)"
for size in 16 32 48 64 128 256; do
    file "$destdir/usr/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "PNG image data, $size x $size" \
        || fail "the $size pixel icon is not a $size x $size PNG"
done

step "desktop-file-validate"
desktop-file-validate "$destdir/usr/share/applications/$id.desktop"
step "appstreamcli validate --no-net"
appstreamcli validate --no-net "$destdir/usr/share/metainfo/$id.metainfo.xml"

step "cpack -G DEB"
rm -f "$build"/scindra_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/scindra_*_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single scindra_*.deb"
deb=$(realpath "${debs[0]}")
dpkg-deb -I "$deb"
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for needed in qt6-translations-l10n libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
    grep -qxF "$needed" <<<"$depends" || fail "the package does not depend on $needed"
done
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sed 's/^\.//' | sort)
[ "$contents" = "$expected_list" ] || fail "the package's files differ:
$(diff <(echo "$expected_list") <(echo "$contents") || true)"

step "apt-get install $deb"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
removed=
remove() {
    [ -n "$removed" ] && return
    removed=1
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq scindra >/dev/null
}
trap 'remove; rm -rf "$destdir"' EXIT
[ -f /usr/share/qt6/translations/qtbase_fr.qm ] || fail "Qt's French translations were not installed with the package"
[ -f "/usr/share/icons/hicolor/48x48/apps/$id.png" ] || fail "the icon was not installed"

step "the installed scindra runs"
QT_QPA_PLATFORM=offscreen /usr/bin/scindra >"$destdir/run.log" 2>&1 &
pid=$!
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
    status=0
    wait "$pid" || status=$?
    cat "$destdir/run.log"
    fail "the installed scindra ended within two seconds (code $status)"
fi
kill "$pid"
wait "$pid" 2>/dev/null || true

step "apt-get remove scindra"
remove
[ ! -e /usr/bin/scindra ] || fail "/usr/bin/scindra is still there after the removal"
echo "PASSED: installed files, desktop entry, metainfo, package contents and dependencies, install, start and removal"
