#!/usr/bin/env bash
# The main panel on a 1024x768 screen, as on many production PCs: under Xvfb
# of that size with openbox, in the normal and the advanced mode, the whole
# window (title bar, close box, frame, every control) must lie on screen.
# Leaves the pictures docs/small-screen-normal.png and
# docs/small-screen-advanced.png (the whole screen). Then the "Error" popup
# of the package dialog (a FIFO named like a package is chosen): its whole
# title and its Traditional Chinese sentence, in docs/error-popup.png.
# Takes about 30 s.
#
# Usage: tools/small-screen.sh [build-dir]    (default: build/ of this tree)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
xs_name=small-screen
XS_SCREEN=1024x768

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert

# The window with its frame inside the screen: its close box too.
whole_on_screen() { # what
    local x y w h extents left right top bottom
    read -r x y <<<"$(client_origin "$main")"
    w=$(xwininfo -id "$main" | awk '/Width:/ { print $NF }')
    h=$(xwininfo -id "$main" | awk '/Height:/ { print $NF }')
    extents=$(xprop -id "$main" _NET_FRAME_EXTENTS | sed 's/.*= //')
    IFS=', ' read -r left right top bottom <<<"$extents"
    [ -n "$bottom" ] && [ "$top" -gt 0 ] || fail "no window manager frame around the main window"
    [ "$((x - left))" -ge 0 ] && [ "$((y - top))" -ge 0 ] &&
        [ "$((x + w + right))" -le 1024 ] && [ "$((y + h + bottom))" -le 768 ] ||
        fail "$1: the window does not fit 1024x768: client ${w}x$h at $x,$y, frame $extents"
    # the panel must not be narrowed below its layout by the screen
    local layout
    layout=$(widget_size mainPanel)
    [ "$w" -ge "${layout%x*}" ] || fail "$1: the window is ${w} wide, its controls need ${layout%x*}"
    say "$1: ${w}x$h at $x,$y with its frame ($extents) fits 1024x768"
}
widget_size() { # name
    awk -v name="$1" '
        index($0, "name=\"" name "\"") { want = 1 }
        want && /<width>/  { gsub(/[^0-9]/, ""); w = $0 }
        want && /<height>/ { gsub(/[^0-9]/, ""); print w "x" $0; exit }
    ' "$prog/Pavimo.uir"
}

xs_start_x wm
xs_start_tavolin
park_pointer
wait_settled "starting"
height_is 550 || fail "the main panel is not 550 high at start"
whole_on_screen "normal mode"
grab_screen "$root/docs/small-screen-normal.png"
enter_advanced_mode
park_pointer
wait_settled "entering the advanced mode"
whole_on_screen "advanced mode"
grab_screen "$root/docs/small-screen-advanced.png"
say "wrote docs/small-screen-normal.png and docs/small-screen-advanced.png"

mkfifo "$xs_work/not-a-file.pkg"
click_widget "$main" pkgBrowse
answer_file_dialog "Select File" "$xs_work/not-a-file.pkg"
error_up() { window_named Error >/dev/null; }
poll 50 error_up || fail "choosing a FIFO did not bring up the Error popup"
sleep 0.5
grab_framed "$(window_named Error)" "$root/docs/error-popup.png"
xdotool key Return
error_gone() { ! error_up; }
poll 50 error_gone || fail "the Error popup did not close on Enter"
say "wrote docs/error-popup.png"
