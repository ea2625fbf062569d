#!/usr/bin/env bash
# Takes the pictures of the main panel that README.md shows:
#   docs/main-normal.png    the panel as it comes up (normal mode)
#   docs/main-advanced.png  after Advanced... and the access code
# tavolin runs under its own Xvfb from a scratch program folder, so its
# settings and log files never land in the build folder. The program is
# driven as an operator would drive it (mouse and keyboard through xdotool)
# and left through File > Exit.
#
# Usage: tools/screenshots.sh [build-dir]    (default: build/ of this tree)
# The build folder must hold a built tavolin; this script builds nothing.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
out_dir=$root/docs

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb xdotool xwd convert
xs_start_x
xs_start_tavolin

shot() { # file
    grab "$main" "$1"
    echo "screenshots: wrote ${1#"$root"/}"
}

# --- normal mode
park_pointer
wait_settled "starting"
height_is 550 || fail "the main panel is not 550 high at start"
shot "$out_dir/main-normal.png"
# a fresh program folder: the pictures show the factory settings
expect_ticks "$out_dir/main-normal.png" "funcProgram funcVerify" funcErase

# --- advanced mode: Advanced..., the access code, Enter
enter_advanced_mode
park_pointer
wait_settled "entering the advanced mode"
shot "$out_dir/main-advanced.png"
expect_ticks "$out_dir/main-advanced.png" "funcProgram funcVerify saveBin" \
    "funcErase funcReceive funcShowPkg funcShowData saveTxt"

# --- File > Exit: open the menu, click its only item
click_at "$main" 16 10
menu_popup() {
    local w
    for w in $(visible_windows); do
        [ "$w" = "$main" ] && continue
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        Progress | "Progress - "* | "Advanced mode") ;;
        *) echo "$w" && return 0 ;;
        esac
    done
    return 1
}
menu_shown() { menu_popup >/dev/null; }
poll 50 menu_shown || fail "File did not open its menu"
menu=$(menu_popup)
# shellcheck disable=SC2046
click_at "$menu" $(xdotool getwindowgeometry "$menu" | awk '/Geometry:/ { split($2, g, "x"); print int(g[1] / 2), int(g[2] / 2) }')
ended() { ! tavolin_alive; }
poll 50 ended || fail "File > Exit did not end tavolin"
status=0
wait "$tavolin_pid" || status=$?
tavolin_pid=""
[ "$status" -eq 0 ] || fail "tavolin ended with status $status"
