#!/usr/bin/env bash
# Drives the real program on a virtual X display as a person would: types the
# source into its field, validates, chooses 4 pieces, cuts, switches to the
# rebuilding page, types the first piece and the rebuilt file, opens and
# cancels the destination's dialog, rebuilds, opens "A Propos..." through the
# menu and closes it with Enter, and quits through the menu.
# The rebuilt file must equal the source byte for byte. A screenshot of each
# page and of the About window is kept in the artifact folder.
#
# Usage: end_to_end.sh <path of scindra> <artifact folder>
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
set -euo pipefail

program=$1
artifacts=$2
skip=77

for tool in Xvfb xdotool import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs xvfb, xdotool and imagemagick)"
        exit $skip
    fi
done
[ -x "$program" ] || { echo "FAILED: $program is not built"; exit 1; }

mkdir -p "$artifacts"
rm -f "$artifacts"/*.png
data=$(mktemp -d)
xvfb_pid=
app_pid=

cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$data"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*"
    [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/failure.png" 2>/dev/null || true
    exit 1
}

# wait_for <what> <command...>: up to 60 s for the command to succeed. The
# sanitizer build on a loaded machine is slow; a passing run never waits long.
wait_for() {
    local what=$1; shift
    for _ in $(seq 600); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what"
}
find_window() { xdotool search "$@" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(find_window "$@")" ]; }
has_no_window() { ! has_window "$@"; }
# has_size <file> <bytes>: looked at again on every try.
has_size() { [ "$(stat -c %s "$1" 2>/dev/null || echo -1)" -eq "$2" ]; }

# A free display number: the lock file tells whether one is taken.
display=
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || fail "no free X display number"

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -dpi 96 >"$artifacts/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 100); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"

# The source: a few megabytes of random bytes, with a remainder piece.
source="$data/clip.avi"
head -c 3000007 /dev/urandom >"$source"
rebuilt="$data/rebuilt.avi"

unset QT_QPA_PLATFORM
QT_QPA_PLATFORM=xcb "$program" >"$artifacts/scindra.log" 2>&1 &
app_pid=$!

wait_for "the main window did not appear" has_window --name '^Scindra 1\.00$'
window=$(find_window --name '^Scindra 1\.00$')
sleep 0.5

# Without a window manager the X window is exactly the Qt window: the menu
# bar on top, then the 618 x 321 client area the coordinates below refer to.
eval "$(xdotool getwindowgeometry --shell "$window")"
client_x=$X
client_y=$((Y + HEIGHT - 321))
menu_height=$((HEIGHT - 321))
[ "$WIDTH" -eq 618 ] || fail "window is $WIDTH pixels wide, not 618"

# Each page's origin inside the client area, below the tabs.
page_x=2
page_y=25

# click <x> <y>: a left click at client coordinates.
click() {
    xdotool mousemove --sync $((client_x + $1)) $((client_y + $2)) click 1
    sleep 0.2
}
# click_in_page <parent left> <parent top> <x> <y>: a click inside a group box.
click_in_page() {
    click $((page_x + $1 + $3)) $((page_y + $2 + $4))
}
type_text() {
    xdotool type --delay 5 -- "$1"
    sleep 0.2
}
replace_text() {
    xdotool key ctrl+a
    type_text "$1"
}

# Cutting page. Group box 1 is at (1, 8), group box 3 at (357, 8).
click_in_page 1 8 200 77                 # source field
type_text "$source"
click_in_page 1 8 176 206                # "Valider"
click_in_page 357 8 135 29               # number of pieces, edit part
replace_text 4
click_in_page 357 8 205 29               # "Découper"
# The window drops input while it works: nothing more is sent before the
# last piece is whole (3,000,007 - 3 x 750,002 bytes) and the cut has ended.
wait_for "the pieces were not written" has_size "$data/clip.004" 750001
sleep 1
import -window root "$artifacts/decoupage.png"
for k in 001 002 003 004; do
    [ -s "$data/clip.$k" ] || fail "piece clip.$k missing"
done
[ ! -e "$data/clip.005" ] || fail "a fifth piece was written"

# Rebuilding page. Its tab follows the "Découpage" tab; group box 2 at (9, 12).
click 124 12
click_in_page 9 12 300 68                # first piece
type_text "$data/clip.001"
click_in_page 9 12 300 140               # destination
replace_text "$rebuilt"
click_in_page 9 12 574 140               # destination's button: its dialog opens
wait_for "the destination's dialog did not open" has_window --onlyvisible --name '^Ouvrir\.\.\.$'
# close_with <title> <key>: a key goes to the focused window; a slow window
# may not hold the focus yet, so it is focused and sent the key until it has
# closed.
close_with() {
    local window
    window=$(find_window --onlyvisible --name "$1")
    [ -z "$window" ] && return 0
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key "$2"
    sleep 0.5
    has_no_window --onlyvisible --name "$1"
}
wait_for "the destination's dialog did not close" close_with '^Ouvrir\.\.\.$' Escape
click_in_page 9 12 303 203               # "Reconstruire"
wait_for "the rebuilt file was not written" test -e "$rebuilt"
wait_for "the rebuilt file is incomplete" has_size "$rebuilt" "$(stat -c %s "$source")"
sleep 1
import -window root "$artifacts/reconstruire.png"
cmp "$source" "$rebuilt" || fail "the rebuilt file differs from the source"

# Aide > A Propos... shows the About window over the main window; Enter
# closes it through its OK button. "Aide" stands right of "Fichier" in the
# menu bar; the menu is tried again when a slow program had not opened it.
about_title='^A propos\.\.\.$'
open_about() {
    has_window --onlyvisible --name "$about_title" && return 0
    xdotool mousemove --sync $((client_x + 68)) $((Y + menu_height / 2)) click 1
    sleep 0.5
    xdotool mousemove --sync $((client_x + 85)) $((Y + menu_height + 12)) click 1
    sleep 1
    has_window --onlyvisible --name "$about_title"
}
wait_for "A Propos... did not open the About window" open_about
about=$(find_window --onlyvisible --name "$about_title")
about_size=$(eval "$(xdotool getwindowgeometry --shell "$about")"; echo "${WIDTH}x$HEIGHT")
[ "$about_size" = 399x253 ] || fail "the About window is $about_size, not 399x253"
sleep 0.5
import -window root "$artifacts/apropos.png"
wait_for "Enter did not close the About window" close_with "$about_title" Return

# Fichier > Quitter ends the program with exit code 0. A slow program may not
# have opened the menu when the item is clicked: then the menu is tried again.
exited() { ! kill -0 "$app_pid" 2>/dev/null; }
status=
for attempt in 1 2 3 4 5; do
    xdotool mousemove --sync $((client_x + 25)) $((Y + menu_height / 2)) click 1
    sleep $((attempt))
    [ "$attempt" -eq 1 ] && import -window root "$artifacts/menu.png"
    xdotool mousemove --sync $((client_x + 40)) $((Y + menu_height + 12)) click 1
    for _ in $(seq 100); do
        exited && break
        sleep 0.1
    done
    if exited; then
        wait "$app_pid" && status=0 || status=$?
        app_pid=
        break
    fi
done
[ -n "$status" ] || fail "Quitter did not end the program"
[ "$status" -eq 0 ] || fail "the program ended with code $status"
echo "PASSED: cut into 4 pieces, rebuilt $(stat -c %s "$source") bytes, opened and closed the About window; screenshots in $artifacts"
