#!/usr/bin/env bash
# Builds the program as a packager would (Release, warnings as errors) and
# checks what it installs: the file list of `cmake --install`, the desktop
# entry, the AppStream description, the manual pages, the Debian package's
# control data and contents, lintian's verdict on it (any error or warning
# fails), and the package itself, installed with apt-get, started on a
# virtual display where its window must match the desktop entry, and removed
# again. Needs root or sudo for the apt-get steps.
#
# Usage: scripts/package-check.sh [build folder]   (default: build-release)
# A folder that already holds a Release build (CI passes the one its tests
# ran in) is reused: only the package's own settings are changed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}

fail() { echo "FAILED: $*"; exit 1; }
step() { echo "== $*"; }
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

scripts/install-deps.sh

# A fresh folder builds the program alone; a folder that holds a build keeps
# its settings (its tests, its compiler launcher), so nothing is rebuilt.
settings=(-DCMAKE_BUILD_TYPE=Release -DSCINDRA_WERROR=ON)
if [ ! -f "$build/CMakeCache.txt" ]; then
    settings+=(-DSCINDRA_TESTS=OFF -DSCINDRA_BENCH=OFF)
    command -v ccache >/dev/null 2>&1 && settings+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
step "Release build in $build"
cmake -S . -B "$build" -G Ninja "${settings[@]}" >/dev/null
cmake --build "$build"

id=fr.scindra.Scindra
expected=(
    /usr/bin/scindra
    /usr/share/applications/$id.desktop
    /usr/share/doc/scindra/changelog.Debian.gz
    /usr/share/doc/scindra/copyright
    /usr/share/icons/hicolor/128x128/apps/$id.png
    /usr/share/icons/hicolor/16x16/apps/$id.png
    /usr/share/icons/hicolor/256x256/apps/$id.png
    /usr/share/icons/hicolor/32x32/apps/$id.png
    /usr/share/icons/hicolor/48x48/apps/$id.png
    /usr/share/icons/hicolor/64x64/apps/$id.png
    /usr/share/icons/hicolor/scalable/apps/$id.svg
    /usr/share/lintian/overrides/scindra
    /usr/share/man/fr/man1/scindra.1.gz
    /usr/share/man/man1/scindra.1.gz
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

step "manual pages"
for page in man1/scindra.1.gz fr/man1/scindra.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$destdir/usr/share/man/$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done

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
[ "$(dpkg-deb -f "$deb" Recommends)" = xdg-utils ] || fail "the package does not recommend xdg-utils (the links open through xdg-open)"
version=$(dpkg-deb -f "$deb" Version)
[[ "$version" == *-* ]] || fail "version $version has no Debian revision"
zcat "$destdir/usr/share/doc/scindra/changelog.Debian.gz" | head -n 1 | grep -qF "scindra ($version)" \
    || fail "the Debian changelog's last entry is not version $version"
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sed 's/^\.//' | sort)
[ "$contents" = "$expected_list" ] || fail "the package's files differ:
$(diff <(echo "$expected_list") <(echo "$contents") || true)"

step "lintian $deb"
lintian_log=$(lintian --display-info "$deb" 2>&1) || true
echo "$lintian_log"
if grep -E '^(E|W): ' <<<"$lintian_log" >/dev/null; then
    fail "lintian reports errors or warnings"
fi

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

# A dock matches a running window to its launcher by the window's class, so
# the class the program really sets must be the desktop entry's.
step "the installed scindra runs on a virtual display, its window class matching the desktop entry"
wm_class=$(sed -n 's/^StartupWMClass=//p' "/usr/share/applications/$id.desktop")
[ -n "$wm_class" ] || fail "the desktop entry has no StartupWMClass"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    QT_QPA_PLATFORM=xcb /usr/bin/scindra >"$1/run.log" 2>&1 &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^Scindra 1\.00$" | head -n 1)
    if ! kill -0 "$pid" 2>/dev/null; then
        status=0
        wait "$pid" || status=$?
        cat "$1/run.log"
        echo "the installed scindra ended at start-up (code $status)"
        exit 1
    fi
    [ -n "$window" ] || { echo "the main window did not appear"; kill "$pid"; exit 1; }
    xprop -id "$window" WM_CLASS | tee "$1/wm_class"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' check "$destdir" || fail "the installed scindra did not run"
grep -qF ", \"$wm_class\"" "$destdir/wm_class" || fail "the window's class is not \"$wm_class\": $(cat "$destdir/wm_class")"

step "apt-get remove scindra"
remove
[ ! -e /usr/bin/scindra ] || fail "/usr/bin/scindra is still there after the removal"
echo "PASSED: installed files, desktop entry, metainfo, manual pages, package contents and dependencies, lintian, install, start and removal"
