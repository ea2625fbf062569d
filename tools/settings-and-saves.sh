#!/usr/bin/env bash
# Shows that the panel's choices survive a restart and that Save EDID...
# writes the received EDID, on a real window under Xvfb and openbox, with
# the mouse and keyboard through xdotool:
#   1. a first start in a fresh program folder writes DefSetting.ini with
#      the factory settings (lines ending CR CR LF) and shows the version
#      title; the advanced mode shows Program, Verify and Binary ticked;
#   2. a click on Text leaves only Text ticked (the save types are a
#      two-way selector); Pages to receive 2, Receive by page, Save EDID...
#      and one file dialog write the 256 bytes of display 1 as text;
#   3. Erase ticked with the mouse, Verify cleared with Alt+V, the close box:
#      DefSetting.ini holds exactly that state, lines ending CR LF;
#   4. with SavedFileType set to "1 1" by hand, a second start in the same
#      folder shows every box as saved; Receive by page and Save EDID... ask
#      for the binary file first, then the text file, both of display 1;
#      Save... writes the message box, which must hold the version lines and
#      the save report; closing writes DefSetting.ini back unchanged.
# Leaves docs/settings-restored.png (the advanced panel after the restart)
# and fails with a message when any step does not happen. Takes about 35 s.
#
# Usage: tools/settings-and-saves.sh [build-dir]    (default: build/ of this tree)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
xs_name=settings-and-saves

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert cmp od
title="Tavolin - EDID Download AP v1.04c  2010.05.27"
save_title="Name of File to Save"

# settings <line end> <function boxes> <save types> <pages>: a settings file.
settings() {
    printf "%s$1" "Version Name = $title" "FilePath = " "FunctionSelect = $2" \
        "SavedFileType = $3" "ReceivedNumOfPage = $4" "DdcI2cSpeed = 4"
}

same_bytes() { # file expected-file what
    cmp -s "$1" "$2" && return 0
    echo "settings-and-saves: expected:" >&2
    od -c "$2" >&2
    echo "settings-and-saves: found:" >&2
    od -c "$1" >&2 || true
    fail "$3"
}

# The text form of the first <bytes> bytes of a file: "0x%02X, " each,
# a line feed after every 16th.
edid_text() { # file bytes
    od -An -v -tx1 -w16 -N "$2" "$1" |
        awk '{ line = ""; for (i = 1; i <= NF; i++) line = line "0x" toupper($i) ", "; print line }'
}

written() { [ -s "$1" ]; } # file

# Clicks Save EDID... and answers its dialogs with the paths given, in order.
save_edid() { # path...
    click_widget "$main" saveEdidBtn
    local path
    for path in "$@"; do
        answer_file_dialog "$save_title" "$path"
        poll 50 written "$path" || fail "Save EDID... wrote nothing to $path"
    done
    # one dialog per ticked save type, none more
    sleep 0.5
    ! window_named "$save_title" >/dev/null || fail "Save EDID... asked for more than $# file(s)"
}

check_text_save() { # file
    [ "$(stat -c %s "$1")" -eq 1552 ] || fail "$1 holds $(stat -c %s "$1") bytes, not 1552"
    [ "$(wc -l <"$1")" -eq 16 ] || fail "$1 has $(wc -l <"$1") lines, not 16"
    awk 'length($0) != 96 { exit 1 }' "$1" || fail "a line of $1 is not 97 bytes with its line feed"
    ! grep -q $'\r' "$1" || fail "$1 holds a carriage return"
    edid_text "$edid" 256 >"$xs_work/expected.txt"
    same_bytes "$1" "$xs_work/expected.txt" "$1 is not the text of display 1's first 256 bytes"
}

# A receive of two pages is over before a progress window can be caught:
# the library log tells that it ran.
read_edid_count() { grep -c 'ReadEDID(' "$prog/WINI2C-DDC-LOG.txt" || true; }
receive_by_page() {
    local before
    before=$(read_edid_count)
    click_widget "$main" receivePageBtn
    park_pointer
    received() { [ "$(read_edid_count)" -gt "$before" ]; }
    poll 50 received || fail "Receive by page read nothing from the display"
    wait_settled "receiving by page"
}

close_and_wait() {
    click_close_box "$main"
    ended() { ! tavolin_alive; }
    poll 50 ended || fail "the close box did not end tavolin"
    wait "$tavolin_pid" || fail "tavolin ended with an error"
    tavolin_pid=""
}

# --- 1: the first start writes the factory settings
xs_start_x wm
xs_start_tavolin
park_pointer
wait_settled "starting"
settings '\r\r\n' "0 1 1 0 0 0" "1 0" 1 >"$xs_work/factory.ini"
same_bytes "$prog/DefSetting.ini" "$xs_work/factory.ini" "the first start did not write the factory settings file"
say "the first start wrote the factory settings (lines end CR CR LF)"
# The window says that the built-in bench's displays are simulated; the
# settings keep the title without it.
[ "$(xdotool getwindowname "$main")" = "$title - SIMULATED DISPLAYS" ] ||
    fail "the main window is titled '$(xdotool getwindowname "$main")'"
edid=$(ls "$prog"/MonitorEDID/Monitor_1_*.bin 2>/dev/null | head -n 1)
[ -n "$edid" ] && [ "$(stat -c %s "$edid")" -ge 256 ] || fail "the start saved no EDID of 256 bytes or more of display 1"

enter_advanced_mode
park_pointer
wait_settled "entering the advanced mode"
grab "$main" "$xs_work/factory.png"
expect_ticks "$xs_work/factory.png" "funcProgram funcVerify saveBin" \
    "funcErase funcReceive funcShowPkg funcShowData saveTxt"
say "the advanced panel shows the factory ticks"

# --- 2: Text alone, two pages received, saved as text
click_checkbox "$main" saveTxt
click_widget "$main" pageNum
xdotool key ctrl+a
xdotool type --delay 20 2
xdotool key Return
receive_by_page
grab "$main" "$xs_work/text-only.png"
expect_ticks "$xs_work/text-only.png" saveTxt saveBin
save_edid "$xs_work/first.txt"
check_text_save "$xs_work/first.txt"
say "Text alone: one dialog, 1552 bytes of text, display 1's first 256 bytes"

# --- 3: Erase on, Verify off, closed: the file holds the panel's state
click_checkbox "$main" funcErase
xdotool key alt+v
park_pointer
wait_settled "changing the boxes"
grab "$main" "$xs_work/before-close.png"
expect_ticks "$xs_work/before-close.png" "funcErase funcProgram saveTxt" \
    "funcVerify funcReceive funcShowPkg funcShowData saveBin"
close_and_wait
settings '\r\n' "1 1 0 0 0 0" "0 1" 2 >"$xs_work/closed.ini"
same_bytes "$prog/DefSetting.ini" "$xs_work/closed.ini" "the close did not save the panel's state"
say "the close box saved the panel's state (lines end CR LF)"

# --- 4: both save types by hand, the second start restores every box
settings '\r\n' "1 1 0 0 0 0" "1 1" 2 >"$xs_work/edited.ini"
cp "$xs_work/edited.ini" "$prog/DefSetting.ini"
xs_restart_tavolin
park_pointer
wait_settled "starting again"
enter_advanced_mode
park_pointer
wait_settled "entering the advanced mode again"
grab "$main" "$root/docs/settings-restored.png"
say "wrote docs/settings-restored.png"
expect_ticks "$root/docs/settings-restored.png" "funcErase funcProgram saveBin saveTxt" \
    "funcVerify funcReceive funcShowPkg funcShowData"
say "the second start restored every box"

receive_by_page
save_edid "$xs_work/second.bin" "$xs_work/second.txt"
[ "$(stat -c %s "$xs_work/second.bin")" -eq 256 ] ||
    fail "second.bin holds $(stat -c %s "$xs_work/second.bin") bytes, not the 2 pages restored"
cmp -s -n 256 "$xs_work/second.bin" "$edid" || fail "second.bin is not display 1's first 256 bytes"
check_text_save "$xs_work/second.txt"
say "Binary and Text: the binary file asked for first, both hold display 1's first 256 bytes"

messages=$xs_work/messages.txt
click_widget "$main" msgSave
answer_file_dialog "$save_title" "$messages"
poll 50 written "$messages" || fail "Save... wrote no message file"
! grep -qv $'\r$' "$messages" || fail "a line of the saved messages does not end CR LF"
[ "$(tail -c 2 "$messages" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the saved messages do not end CR LF"
printf '%s\r\n' ">AP version : UI = 1.04c " ">AP version : Library = 1.00 " " " >"$xs_work/versions.txt"
grep -A2 -F ">AP version : UI = " "$messages" >"$xs_work/found.txt" || true
same_bytes "$xs_work/found.txt" "$xs_work/versions.txt" "the saved messages lack the version lines"
printf '%s\r\n' ">Saving EDID as binary / ascii format ..." \
    "> - Success !" "> - Path = $xs_work/second.bin " "> - Amount = 256 Bytes " \
    "> - Success !" "> - Path = $xs_work/second.txt " "> - Amount = 256 Bytes " >"$xs_work/report.txt"
grep -A6 -F ">Saving EDID as binary / ascii format ..." "$messages" >"$xs_work/found.txt" || true
same_bytes "$xs_work/found.txt" "$xs_work/report.txt" "the saved messages do not report both saves"
say "the saved messages hold the version lines and the save report"

close_and_wait
same_bytes "$prog/DefSetting.ini" "$xs_work/edited.ini" "the second close did not write the restored state back"
say "the second close wrote the restored state back unchanged"
