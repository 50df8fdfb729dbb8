#!/usr/bin/env bash
# Renders the screenshots of the README and of the software-centre
# description: the cutting page with a source validated and its pieces
# listed, the rebuilding page with a first piece chosen, and the About window
# opened through "Aide > A Propos...". The program runs on a virtual X
# display and is driven with xdotool; nothing is cut or rebuilt.
#
# Usage: scripts/screenshots.sh [path of scindra] [output folder]
# (defaults: build/app/scindra, docs/screenshots). Missing tools are
# installed by scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-build/app/scindra}
output=${2:-docs/screenshots}
[ -x "$program" ] || { echo "$program is not built (cmake --build build --target scindra)"; exit 1; }
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing: run scripts/install-deps.sh"; exit 1; }
done
mkdir -p "$output"

# The demo source keeps a plain path, since it shows in the pictures. It is
# sparse: the program only reads its size.
demo=/tmp/scindra-demo
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$demo"
}
trap cleanup EXIT
rm -rf "$demo"
mkdir -p "$demo"
truncate -s 734003200 "$demo/Vacances.avi"
truncate -s 183500800 "$demo/Vacances.001"

fail() { echo "FAILED: $*"; exit 1; }
# wait_for <seconds> <command...>: true once the command succeeds.
wait_for() {
    local tenths=$(($1 * 10)); shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
find_window() { xdotool search --onlyvisible "$@" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(find_window "$@")" ]; }

display=
for n in $(seq 150 200); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || fail "no free X display number"
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -dpi 96 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
wait_for 10 xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"

QT_QPA_PLATFORM=xcb "$program" >/dev/null 2>&1 &
app_pid=$!
wait_for 60 has_window --name '^Scindra 1\.00$' || fail "the main window did not appear"
window=$(find_window --name '^Scindra 1\.00$')
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
client_x=$X
client_y=$((Y + HEIGHT - 321))

# Client coordinates; each page starts at (2, 25) below the tabs.
click() {
    xdotool mousemove --sync $((client_x + $1)) $((client_y + $2)) click 1
    sleep 0.3
}
click_in_page() { click $((2 + $1 + $3)) $((25 + $2 + $4)); }
type_text() {
    xdotool type --delay 5 -- "$1"
    sleep 0.3
}
# The pointer leaves the window so that no hint shows in the picture.
shoot() {
    xdotool mousemove --sync 1000 760
    sleep 0.8
    import -window "$1" "$output/$2"
    echo "wrote $output/$2"
}

# Cutting page: source, "Valider", 4 pieces.
click_in_page 1 8 200 77
type_text "$demo/Vacances.avi"
click_in_page 1 8 176 206
click_in_page 357 8 135 29
xdotool key ctrl+a
type_text 4
shoot "$window" decoupage.png

# Rebuilding page: the first piece; the destination follows from it.
click 124 12
click_in_page 9 12 300 68
type_text "$demo/Vacances.001"
shoot "$window" reconstruire.png

# About window, through the keyboard path of the "Aide" menu. Until the
# program has an About window the item opens nothing: that is reported, not
# an error.
about=
for _ in 1 2 3; do
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key alt+a
    sleep 0.5
    xdotool key Return
    if wait_for 3 has_window --name '^A propos\.\.\.$'; then
        about=$(find_window --name '^A propos\.\.\.$')
        break
    fi
    xdotool key Escape
done
if [ -n "$about" ]; then
    sleep 2.5  # the logo turns once
    shoot "$about" apropos.png
    xdotool key --window "$about" Escape
else
    echo "no About window opened: apropos.png not written"
fi
