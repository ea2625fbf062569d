#!/usr/bin/env bash
# A line's route check refusing a unit, as an operator sees it, on a real
# window under Xvfb and openbox driven through xdotool: Station.ini names a
# BeforeUnit script that refuses the serial TV-BAD with one line; the
# package is picked with Browse...; TV-BAD typed as a scanner types it must
# end FAIL with nothing recorded and the script's line in the message box
# (saved with Save...), and TV-GOOD after it must pass. Leaves
# docs/line-hook-refused.png (the window after the refusal). Under a minute.
#
# Usage: tools/line-hooks.sh [build-dir]    (default: build/ of this tree)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
xs_name=line-hooks

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert sqlite3
[ -x "$build/tavolin-pkg" ] || fail "no tavolin-pkg in '$build'"

hook=$xs_work/route-check
cat >"$hook" <<'EOF'
#!/bin/sh
[ "$1" != TV-BAD ] || { echo "route: $1 has not passed burn-in"; exit 1; }
echo "route: $1 may be programmed at $TAVOLIN_STATION"
EOF
chmod 755 "$hook"
cat >"$xs_work/Station.ini" <<EOF
Production = 1
Station = Bench 1
WeekYear = today
PortMap = HDMI1:1, HDMI2:2
Simulated = 1
BeforeUnit = $hook
EOF
XS_SETTLE_MASK="216,386 430,420"
xs_start_x wm
xs_start_tavolin "$xs_work/Station.ini"
park_pointer
wait_settled "starting"

images=("$prog"/MonitorEDID/Monitor_1_*.bin "$prog"/MonitorEDID/Monitor_2_*.bin)
[ -f "${images[1]}" ] || fail "the start-up detection saved no EDIDs of displays 1 and 2"
package=$xs_work/unit.pkg
"$build/tavolin-pkg" build -o "$package" --type HDMI --text-a Line --text-b Unit \
    --port "HDMI1=${images[0]}" --port "HDMI2=${images[1]}" >/dev/null ||
    fail "tavolin-pkg refused ${images[*]}"
click_widget "$main" pkgBrowse
answer_file_dialog "Select File" "$package"
click_widget "$main" refreshBtn
park_pointer
wait_settled "detecting the displays again"

db=$prog/units.sqlite
unit_count() { sqlite3 "$db" "SELECT count(*) FROM units" 2>/dev/null || echo 0; }
xdotool type --delay 8 TV-BAD
xdotool key Return
sleep 1
wait_settled "the route check"
grab "$main" "$root/docs/line-hook-refused.png"
say "wrote docs/line-hook-refused.png"
[ "$(unit_count)" = 0 ] || fail "the refused unit was recorded"

xdotool type --delay 8 TV-GOOD
xdotool key Return
passed() { [ "$(sqlite3 "$db" "SELECT result FROM units WHERE serial = 'TV-GOOD'" 2>/dev/null)" = pass ]; }
poll 600 passed || fail "unit TV-GOOD did not pass within 2 minutes"
wait_settled "unit TV-GOOD ending"
[ "$(unit_count)" = 1 ] || fail "the record holds $(unit_count) units, not TV-GOOD alone"

msgs=$xs_work/messages.txt
xdotool key alt+a
answer_file_dialog "Name of File to Save" "$msgs"
saved() { [ -s "$msgs" ]; }
poll 50 saved || fail "Save... wrote no message file"
grep -q "^>*Unit TV-BAD refused: route: TV-BAD has not passed burn-in" "$msgs" ||
    fail "the message box lacks the route check's line: $(grep -a TV-BAD "$msgs")"
grep -aq "BeforeUnit: route: TV-GOOD may be programmed at Bench 1" "$prog"/*LOG* ||
    fail "the library log lacks the route check's output"
say "TV-BAD refused with the route check's line and not recorded; TV-GOOD passed"
