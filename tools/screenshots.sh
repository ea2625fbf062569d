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
access_code=QuorvelAdminKey

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

for tool in Xvfb xdotool xwd convert; do
    command -v "$tool" >/dev/null || fail "$tool is missing (run tools/install-deps.sh)"
done
[ -x "$build/tavolin" ] || fail "no tavolin in '$build' (build it first, or pass the build folder)"
for f in Pavimo.uir libDDCHelper.so libAssistDll.so libPlatformClock.so; do
    [ -f "$build/$f" ] || fail "'$build' lacks $f beside tavolin"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tavolin-shots.XXXXXX")
xvfb_pid=""
tavolin_pid=""
cleanup() {
    if [ -n "$tavolin_pid" ]; then kill "$tavolin_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Short polls, bounded: poll <tries> <command...> runs the command every
# 0.2 s until it succeeds; returns 1 when the tries are used up.
poll() {
    local tries=$1
    shift
    while [ "$tries" -gt 0 ]; do
        "$@" && return 0
        tries=$((tries - 1))
        sleep 0.2
    done
    return 1
}

tavolin_alive() {
    kill -0 "$tavolin_pid" 2>/dev/null
}

# --- X server of our own; -displayfd picks a free display number
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display_known() { [ -s "$work/display" ]; }
poll 50 display_known || fail "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export DISPLAY

# --- scratch program folder
prog=$work/program
mkdir -p "$prog" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/tavolin" "$build/Pavimo.uir" "$build"/*.so "$prog/"
(cd "$prog" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" ./tavolin) \
    >"$work/tavolin.log" 2>&1 &
tavolin_pid=$!

# The three panels are windows of their own; the other two are known by
# their titles (Pavimo.uir), the main panel is the remaining visible one.
visible_windows() {
    xdotool search --onlyvisible --pid "$tavolin_pid" 2>/dev/null || true
}
window_named() { # title
    local w
    for w in $(visible_windows); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    return 1
}
main_window() {
    local w name
    for w in $(visible_windows); do
        name=$(xdotool getwindowname "$w" 2>/dev/null) || continue
        [ "$name" = "Progress" ] || [ "$name" = "Advanced mode" ] || { echo "$w"; return 0; }
    done
    return 1
}
main_shown() {
    tavolin_alive || fail "tavolin ended early: $(tail -n 5 "$work/tavolin.log")"
    main_window >/dev/null
}
poll 100 main_shown || fail "the main panel did not appear within 20 s"
main=$(main_window)

# Centre of a widget of Pavimo.uir, relative to its panel (the widgets used
# here sit directly on their panel).
widget_centre() { # widget-name
    awk -v name="$1" '
        index($0, "name=\"" name "\"") { found = 1 }
        found && /<x>/      { gsub(/[^0-9]/, ""); x = $0 }
        found && /<y>/      { gsub(/[^0-9]/, ""); y = $0 }
        found && /<width>/  { gsub(/[^0-9]/, ""); w = $0 }
        found && /<height>/ { gsub(/[^0-9]/, ""); print int(x + w / 2), int(y + $0 / 2); exit }
    ' "$prog/Pavimo.uir"
}

# Start-up runs commands for a while (package check, library start and
# display detection, versions); the panel is ready when no other panel is
# up and the window has not changed for 2 s.
window_hash() {
    xwd -silent -id "$main" 2>/dev/null | md5sum || true
}
wait_settled() { # what
    local last="" same=0 tries=150 now
    while [ "$tries" -gt 0 ]; do
        tavolin_alive || fail "tavolin ended while $1: $(tail -n 5 "$work/tavolin.log")"
        now=$(window_hash)
        if [ "$now" = "$last" ] && ! window_named Progress >/dev/null &&
            ! window_named "Advanced mode" >/dev/null; then
            same=$((same + 1))
            [ "$same" -ge 10 ] && return 0
        else
            same=0
        fi
        last=$now
        tries=$((tries - 1))
        sleep 0.2
    done
    fail "the main panel kept changing while $1 (30 s)"
}

grab() { # file
    mkdir -p "$out_dir"
    # no time stamps in the file: the same picture gives the same bytes
    xwd -silent -id "$main" | convert xwd:- -strip -define png:exclude-chunks=date,time "png:$1.tmp" ||
        fail "could not grab the main panel"
    mv "$1.tmp" "$1"
    echo "screenshots: wrote ${1#"$root"/}"
}

height_is() { # pixels
    [ "$(xdotool getwindowgeometry "$main" | awk '/Geometry:/ { split($2, g, "x"); print g[2] }')" = "$1" ]
}

park_pointer() {
    xdotool mousemove 1279 1023
}

click_at() { # window x y
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# --- normal mode
park_pointer
wait_settled "starting"
height_is 550 || fail "the main panel is not 550 high at start"
grab "$out_dir/main-normal.png"

# --- advanced mode: Advanced..., the access code, Enter
# shellcheck disable=SC2046
click_at "$main" $(widget_centre advancedBtn)
password_shown() { window_named "Advanced mode" >/dev/null; }
poll 50 password_shown || fail "Advanced... did not open the access code panel"
password=$(window_named "Advanced mode")
# shellcheck disable=SC2046
click_at "$password" $(widget_centre passwordString)
xdotool type --delay 20 "$access_code"
xdotool key Return
password_gone() { ! password_shown; }
poll 50 password_gone || fail "the access code panel did not close on Enter"
grown() { height_is 695; }
poll 50 grown || fail "the access code did not open the advanced mode (panel not 695 high)"
park_pointer
wait_settled "entering the advanced mode"
grab "$out_dir/main-advanced.png"

# --- File > Exit: open the menu, click its only item
click_at "$main" 16 10
menu_popup() {
    local w
    for w in $(visible_windows); do
        [ "$w" = "$main" ] && continue
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        Progress | "Advanced mode") ;;
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
