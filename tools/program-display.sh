#!/usr/bin/env bash
# Programs and verifies a simulated display the way an operator does, on a
# real window under Xvfb and openbox, with the mouse and keyboard through
# xdotool:
#   1. builds a package (tavolin-pkg) from a real EDID of ../shared/data/edid,
#      or, where that folder is absent, from the EDID the start-up detection
#      saved of the second simulated display;
#   2. Browse... and the real file dialog pick the package;
#   3. Refresh detects the displays again (choosing a package empties the
#      display list); Program and Verify must show ticked as they come on a
#      first start (Erase clear), and Alt+S presses Start;
#   4. Save... writes the message box to a file, which must show every step
#      passing, and the library log must show the 9-byte packets;
#   5. the memory of the simulated display must hold the image.
# Leaves docs/program-verify.png (the main window after the run) and fails
# with a message when any step does not happen. Takes about half a minute.
# With --fast the station writes fast (a Station.ini with WriteMode = fast
# beside the program): the same steps and checks, no picture left.
#
# Usage: tools/program-display.sh [build-dir] [--fast]    (default: build/ of this tree)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build
fast=""
for arg in "$@"; do
    case "$arg" in
    --fast) fast=yes ;;
    *) build=$arg ;;
    esac
done
xs_name=program-display

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert cmp
[ -x "$build/tavolin-pkg" ] || fail "no tavolin-pkg in '$build'"

xs_start_x wm
if [ -n "$fast" ]; then
    printf 'WriteMode = fast\r\n' >"$xs_work/Station.ini"
    xs_start_tavolin "$xs_work/Station.ini"
else
    xs_start_tavolin
fi
park_pointer
wait_settled "starting"

image=$(xs_corpus_edids 1)
if [ -z "$image" ]; then
    image=$(ls "$prog"/MonitorEDID/Monitor_2_*.bin 2>/dev/null | head -n 1)
    [ -n "$image" ] || fail "no EDID to package: no data set and no second display saved"
fi
package=$xs_work/job.pkg
"$build/tavolin-pkg" build -o "$package" --type HDMI --text-a Sample --text-b Tools \
    --port "HDMI1=$image" >/dev/null || fail "tavolin-pkg refused $image"
say "packaged $(basename "$image") ($(stat -c %s "$image") bytes) as $package"

click_widget "$main" pkgBrowse
answer_file_dialog "Select File" "$package"
sleep 1
window_named Error >/dev/null && fail "the file dialog answered with the Error popup"
click_widget "$main" refreshBtn
park_pointer
wait_settled "detecting the displays again"

# The factory settings tick Program and Verify.
grab "$main" "$xs_work/before-start.png"
expect_ticks "$xs_work/before-start.png" "funcProgram funcVerify" funcErase
xdotool key alt+s
park_pointer
[ -n "$fast" ] || poll 50 progress_shown || fail "Start showed no progress window"
wait_settled "programming and verifying"
if [ -z "$fast" ]; then
    grab "$main" "$root/docs/program-verify.png"
    say "wrote docs/program-verify.png"
fi

messages=$xs_work/messages.txt
click_widget "$main" msgSave
answer_file_dialog "Name of File to Save" "$messages"
saved() { [ -s "$messages" ]; }
poll 50 saved || fail "Save... wrote no message file"
for line in "Checking the existence of PKG file ..." "Reading PKG file ..." \
    "Programming device's EDID ..." "Receiving device's EDID ..." "Verifying device's EDID ..."; do
    grep -qF -A1 "$line" "$messages" || fail "the messages lack '$line'"
    [ "$(grep -F -A1 "$line" "$messages" | tail -n 1 | tr -d '\r')" = "> - Pass" ] ||
        fail "'$line' did not pass: $(grep -F -A2 "$line" "$messages" | tr -d '\r' | tr '\n' '|')"
done
say "every step passed (saved messages: $(wc -l <"$messages") lines)"

packets=$(grep -c 'WriteI2CBuf(.*, 0x50, buf, 9, 0x0)' "$prog/WINI2C-DDC-LOG.txt" || true)
[ "$packets" -eq "$(($(stat -c %s "$image") / 8))" ] ||
    fail "the library log shows $packets packets for $(stat -c %s "$image") bytes"
say "the library log shows $packets packets of 9 bytes"

# The bench keeps the displays' memories in its state file; the program
# writes the detected EDIDs below its folder on the next start.
click_close_box "$main"
ended() { ! tavolin_alive; }
poll 50 ended || fail "the close box did not end tavolin"
wait "$tavolin_pid" || fail "tavolin ended with an error"
tavolin_pid=""
mv "$prog/MonitorEDID" "$xs_work/MonitorEDID.before"
(cd "$prog" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$xs_work/runtime" \
    DDCHELPER_BENCH="$xs_bench" timeout 20 ./tavolin) \
    >/dev/null 2>&1 &
tavolin_pid=$!
first_saved() { ls "$prog"/MonitorEDID/Monitor_1_*.bin >/dev/null 2>&1; }
poll 100 first_saved || fail "the second start saved no EDID of display 1"
sleep 0.5
cmp -s "$(ls "$prog"/MonitorEDID/Monitor_1_*.bin | head -n 1)" "$image" ||
    fail "display 1 does not hold the programmed image"
say "display 1 holds the programmed image"
