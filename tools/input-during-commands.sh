#!/usr/bin/env bash
# Drives tavolin on a real window under Xvfb and openbox, with the mouse and
# keyboard through xdotool, to show that the operator's input is handled
# while a long command runs:
#   1. the windows come up with their title bars and close boxes on screen;
#   2. the progress window's close box, clicked during a 16-page receive with
#      its data shown, drops the receive queued behind it;
#   3. the main window's close box, clicked during such a receive, lets it
#      run to its end (about 41 s of paced output), then the program stops
#      the bus library and exits 0 without starting the receive queued
#      behind it;
#   4. during an erase (256 packets, about 18 s) the keyboard stays with the
#      window the operator uses, as the window manager gives it: the progress
#      window never takes it; the access code typed into the password panel
#      opens the advanced mode; Alt+S appends the Start's commands;
#   5. alt+F4 after a click on the main window is a quit that waits: the
#      erase finishes, the Start queued behind it (Alt+S) never runs, exit 0;
#   6. Alt+F then X likewise.
# Each check fails the script with a message. Takes about three minutes.
#
# Usage: tools/input-during-commands.sh [build-dir] [picture-dir]
#   build-dir    a built tree (default: build/ of this tree)
#   picture-dir  where the screen pictures go (default: a temporary folder)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
pictures=${2:-}
fail() {
    echo "input-during-commands: $*" >&2
    exit 1
}
say() { echo "input-during-commands: $*"; }

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert
[ -n "$pictures" ] || pictures=$xs_work/pictures
mkdir -p "$pictures"

read_edid_count() { grep -c 'ReadEDID(' "$prog/WINI2C-DDC-LOG.txt" || true; }

on_screen() { # window what
    local x y w h
    read -r x y <<<"$(client_origin "$1")"
    w=$(xwininfo -id "$1" | awk '/Width:/ { print $NF }')
    h=$(xwininfo -id "$1" | awk '/Height:/ { print $NF }')
    local top
    top=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //' | awk -F', *' '{ print $3 }')
    [ "$((y - top))" -ge 0 ] && [ "$x" -ge 0 ] && [ "$((x + w))" -le 1280 ] && [ "$((y + h))" -le 1024 ] ||
        fail "$2 is not on screen: client at $x,$y size ${w}x$h, title bar $top high"
    say "$2 on screen: client at $x,$y, title bar $top high"
}

# Advanced mode, Show data bytes on, 16 pages, then two receives by page:
# the first runs, the second waits behind it.
start_two_long_receives() {
    park_pointer
    wait_settled "starting"
    on_screen "$main" "the main window"
    enter_advanced_mode
    click_widget "$main" funcShowData
    click_widget "$main" pageNum
    xdotool key ctrl+a
    xdotool type --delay 50 16
    xdotool key Tab
    park_pointer
    wait_settled "setting up the receive"
    reads_before=$(read_edid_count)
    click_widget "$main" receivePageBtn
    click_widget "$main" receivePageBtn
    poll 50 progress_shown || fail "the receive did not show its progress window"
    progress=$(progress_window)
    sleep 3 # the receive is printing its bytes now
    tavolin_alive || fail "tavolin ended during the receive"
}

# --- 1 and 2: the progress window's close box during the receive
xs_start_x wm
xs_start_tavolin
start_two_long_receives
on_screen "$progress" "the progress window"
click_close_box "$progress"
say "closed the progress window during the receive"
dropped_told() { [ "$(xdotool getwindowname "$progress" 2>/dev/null)" = "Progress - 1 waiting command dropped" ]; }
poll 25 dropped_told || fail "the progress caption does not tell the dropped receive: '$(xdotool getwindowname "$progress")'"
grab_screen "$pictures/progress-closed.png"
poll 300 progress_gone || fail "the receive did not end within 60 s"
sleep 2 # seven ticks would start a receive still waiting
progress_gone || fail "the receive queued behind the running one started"
[ "$(read_edid_count)" -eq "$((reads_before + 1))" ] ||
    fail "expected one receive after the close, the library log shows $(($(read_edid_count) - reads_before))"
grab "$main" "$pictures/after-progress-close.png"
say "the running receive finished, the one behind it never started"

# --- 3: the main window's close box during the receive
kill "$tavolin_pid" 2>/dev/null || true
wait "$tavolin_pid" 2>/dev/null || true
xs_start_tavolin
start_two_long_receives
click_close_box "$main"
closed_at=$(date +%s)
say "asked to close the main window during the receive"
sleep 2
tavolin_alive || fail "tavolin ended at once instead of finishing the receive"
grab_screen "$pictures/quit-pending.png"
ended() { ! tavolin_alive; }
poll 400 ended || fail "tavolin did not end within 80 s of the close"
status=0
wait "$tavolin_pid" || status=$?
tavolin_pid=""
waited=$(($(date +%s) - closed_at))
[ "$status" -eq 0 ] || fail "tavolin ended with status $status"
[ "$waited" -ge 25 ] || fail "tavolin ended $waited s after the close: the receive was cut short"
[ "$(read_edid_count)" -eq "$((reads_before + 1))" ] ||
    fail "the receive queued behind the running one started before the quit"
grep -q 'DisableLog' "$prog/WINI2C-DDC-LOG.txt" || fail "the library log was not stopped"
say "the receive ran to its end ($waited s after the close), then tavolin exited 0"

# --- 4 to 6: the keyboard during an erase
erase_writes() { grep -c 'WriteI2CBuf(0x1000, 0x50, buf, 9, 0x0) = 0x0 : .. FF FF FF FF FF FF FF FF$' "$prog/WINI2C-DDC-LOG.txt" || true; }
log_has() { grep -q "$1" "$prog/WINI2C-DDC-LOG.txt"; }
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# Factory settings tick Program and Verify: Erase alone, then Start.
start_erase() {
    xs_restart_fresh
    park_pointer
    wait_settled "starting"
    click_checkbox "$main" funcProgram
    click_checkbox "$main" funcVerify
    click_checkbox "$main" funcErase
    click_widget "$main" startBtn
    poll 50 progress_shown || fail "the erase did not show its progress window"
    progress=$(progress_window)
    sleep 1
    focused "$main" || fail "the progress window took the keyboard from the main window"
    erase_started=$(date +%s)
}
xs_restart_fresh() {
    kill "$tavolin_pid" 2>/dev/null || true
    wait "$tavolin_pid" 2>/dev/null || true
    xs_start_tavolin
}
erase_running() { progress_shown && [ "$(erase_writes)" -lt 256 ]; }
expect_exit_after_erase() { # what
    ended() { ! tavolin_alive; }
    poll 150 ended || fail "tavolin did not end within 30 s of $1"
    local status=0
    wait "$tavolin_pid" || status=$?
    tavolin_pid=""
    [ "$status" -eq 0 ] || fail "tavolin ended with status $status after $1"
    [ "$(erase_writes)" -ge 256 ] || fail "the erase was cut short by $1: $(erase_writes) of 256 packets"
    [ "$(erase_writes)" -eq 256 ] || fail "the Start queued behind the erase ran after $1"
    log_has 'DisableLog()' || fail "the library was not stopped after $1"
}

# 4: the access code and Alt+S while the erase runs
start_erase
click_widget "$main" advancedBtn
password_up() { window_named "Advanced mode" >/dev/null; }
poll 50 password_up || fail "Advanced... did not open the access code panel during the erase"
password=$(window_named "Advanced mode")
click_widget "$password" passwordString
sleep 0.3
xdotool type --delay 20 QuorvelAdminKey
grab_screen "$pictures/access-code-during-erase.png"
xdotool key Return
grown() { height_is 695; }
poll 50 grown || fail "the access code typed during the erase did not open the advanced mode"
erase_running || fail "the erase ended before the access code was checked"
say "the access code typed during the erase opened the advanced mode"
click_widget "$main" msgBox
xdotool key alt+s
reads_before=$(read_edid_count)
erase_running || fail "the erase ended before Alt+S was pressed"
poll 200 progress_gone || fail "the erase and the commands Alt+S appended did not end within 40 s"
[ "$(erase_writes)" -eq 512 ] || fail "Alt+S during the erase did not append a second erase: $(erase_writes) packets of 512"
say "Alt+S during the erase appended its erase behind it ($(( $(date +%s) - erase_started )) s)"

# 5: a click on the main window, then alt+F4
start_erase
click_widget "$main" msgBox
xdotool key alt+s
xdotool key alt+F4
sleep 1
erase_running || fail "alt+F4 ended the erase at once (or closed the progress window)"
progress_shown || fail "alt+F4 closed the progress window"
grab_screen "$pictures/alt-f4-during-erase.png"
expect_exit_after_erase "alt+F4"
say "alt+F4 during the erase: it ran to its end, the Start behind it never ran, exit 0"

# 6: Alt+F, then X
start_erase
click_widget "$main" msgBox
xdotool key alt+s
xdotool key alt+f
sleep 0.5
xdotool key x
sleep 1
erase_running || fail "File > Exit ended the erase at once"
expect_exit_after_erase "Alt+F, X"
say "Alt+F, X during the erase: it ran to its end, then tavolin exited 0"
say "pictures in $pictures"
