#!/usr/bin/env bash
# A production station run the way an operator runs it, on a real window
# under Xvfb and openbox, with the keyboard and mouse through xdotool:
#   1. a package with two ports (two real EDIDs of ../shared/data/edid, or
#      where that folder is absent the EDIDs the start-up detection saved),
#      and a Station.ini that maps them onto the two simulated displays (the
#      built-in bench, asked for; Simulated = 1, a training station);
#   2. Browse... and the real file dialog pick the package, Refresh detects
#      the displays again;
#   3. five serials typed as a bar-code scanner types them (the characters
#      fast, then Enter); the serial field must hold the keyboard with no
#      click (it takes it back after the Refresh); each unit must end PASS;
#   4. the record (sqlite3) must hold five passed units with two passed ports
#      each, and File > Export records... must write one CSV line per port
#      that agrees with it;
#   5. the station restarted in fast mode (WriteMode = fast): 50 serials
#      typed at a scanner's speed, 20 ms a character, each 0.3 s after the
#      previous Enter without waiting for the unit; every unit recorded must
#      be one of them, whole, once and in the order typed, and pass; a scan
#      that found a unit already waiting (a slow PC) must be refused whole
#      with its line in the message box (Save...);
#   6. a second start reads the displays back: each must hold its port's
#      image stamped with the last serial (the SHA-256 the record holds).
# Leaves docs/production.png (the main window after the five units) and
# fails with a message when any step does not happen. Takes about 3 minutes.
#
# Usage: tools/production.sh [build-dir]    (default: build/ of this tree)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
xs_name=production

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert sqlite3 sha256sum
[ -x "$build/tavolin-pkg" ] || fail "no tavolin-pkg in '$build'"

# A serial descriptor (tag 0xFF) among the four 18-byte descriptors.
has_serial_descriptor() { # file
    local at
    for at in 54 72 90 108; do
        [ "$(od -An -tx1 -j "$at" -N4 "$1" | tr -d ' ')" = 000000ff ] && return 0
    done
    return 1
}

# Two real EDIDs of 256 bytes whose checksums are all right and that have a
# serial descriptor for the stamp to fill.
corpus_edids() {
    local f n=0
    for f in $(xs_corpus_edids); do
        has_serial_descriptor "$f" || continue
        echo "$f"
        n=$((n + 1))
        [ "$n" -lt 2 ] || return 0
    done
}

# The displays are the built-in bench's: units run on them only at a
# training station.
cat >"$xs_work/Station.ini" <<'EOF'
Production = 1
Station = Bench 1
SerialSource = scan
NumericSerial = digits
WeekYear = today
PortMap = HDMI1:1, HDMI2:2
Simulated = 1
EOF
# The serial field holds the keyboard, so its cursor blinks.
XS_SETTLE_MASK="216,386 430,420"
xs_start_x wm
xs_start_tavolin "$xs_work/Station.ini"
park_pointer
wait_settled "starting"

mapfile -t images < <(corpus_edids)
if [ "${#images[@]}" -lt 2 ]; then
    images=("$prog"/MonitorEDID/Monitor_1_*.bin "$prog"/MonitorEDID/Monitor_2_*.bin)
    [ -f "${images[1]}" ] || fail "no EDIDs to package: no data set and no displays saved"
fi
package=$xs_work/unit.pkg
"$build/tavolin-pkg" build -o "$package" --type HDMI --text-a Line --text-b Unit \
    --port "HDMI1=${images[0]}" --port "HDMI2=${images[1]}" >/dev/null ||
    fail "tavolin-pkg refused ${images[*]}"
say "packaged $(basename "${images[0]}") and $(basename "${images[1]}")"

click_widget "$main" pkgBrowse
answer_file_dialog "Select File" "$package"
click_widget "$main" refreshBtn
park_pointer
wait_settled "detecting the displays again"

# No click on the field: it takes the keyboard back once the Refresh has run.
db=$prog/units.sqlite
units_done() { [ "$(sqlite3 "$db" "SELECT count(*) FROM units WHERE result <> 'running'" 2>/dev/null)" = "$1" ]; }
for n in 1 2 3 4 5; do
    serial="TV2612-$((1000 + n))"
    xdotool type --delay 8 "$serial"
    xdotool key Return
    poll 600 units_done "$n" || fail "unit $serial did not end within 2 minutes: $(sqlite3 "$db" "SELECT id, serial, result FROM units" 2>&1)"
    wait_settled "unit $serial ending"
    result=$(sqlite3 "$db" "SELECT result FROM units WHERE serial = '$serial'")
    [ "$result" = pass ] || fail "unit $serial: $result"
    say "unit $serial passed"
done
grab "$main" "$root/docs/production.png"
say "wrote docs/production.png"

[ "$(sqlite3 "$db" "SELECT count(*) FROM units WHERE result = 'pass' AND rework = 0")" = 5 ] ||
    fail "the record does not hold five passed units"
[ "$(sqlite3 "$db" "SELECT count(*) FROM ports WHERE result = 'pass'")" = 10 ] ||
    fail "the record does not hold ten passed ports"

csv=$xs_work/units.csv
xdotool key alt+f
sleep 0.5
xdotool key e
answer_file_dialog "Export records" "$csv"
exported() { [ -s "$csv" ]; }
poll 50 exported || fail "Export records... wrote no file"
[ "$(wc -l <"$csv")" = 11 ] || fail "the CSV has $(wc -l <"$csv") lines, not a header and 10 ports"
expected=$(sqlite3 -separator , "$db" "SELECT u.serial, p.port, p.display, p.image_sha256, p.result
    FROM ports p JOIN units u ON u.id = p.unit_id ORDER BY u.id, p.rowid")
actual=$(tail -n +2 "$csv" | tr -d '\r' | awk -F, '{ print $4 "," $12 "," $13 "," $15 "," $16 }')
[ "$expected" = "$actual" ] || fail "the CSV and the record differ:
$expected
---
$actual"
say "the CSV's 10 port lines agree with the record"

# A close, Station.ini in fast mode, a start as the last one left the folder
# (its package remembered).
close_tavolin() {
    click_close_box "$main"
    ended() { ! tavolin_alive; }
    poll 50 ended || fail "the close box did not end tavolin"
    wait "$tavolin_pid" || fail "tavolin ended with an error"
    tavolin_pid=""
}
close_tavolin
# The program rewrites the file (the record's id, the last unit): the
# mode's line is changed where it stands, as a key may be given once.
sed -i 's/^WriteMode = .*/WriteMode = fast\r/' "$prog/Station.ini"
grep -q '^WriteMode = fast' "$prog/Station.ini" || fail "Station.ini has no WriteMode line to change"
xs_restart_tavolin
park_pointer
wait_settled "starting in fast mode"
# The scanner does not wait for the units: a serial completed while one
# runs is the next unit.
typed=()
for n in $(seq 2001 2050); do
    serial="TV2612-$n"
    typed+=("$serial")
    xdotool type --delay 20 "$serial"
    xdotool key Return
    sleep 0.3
done
# The station is idle once the field has the last scan's result: nothing
# is recorded as running and the count stays.
unit_count() { sqlite3 "$db" "SELECT count(*) FROM units" 2>/dev/null; }
settled_units() {
    local before
    before=$(unit_count)
    sleep 2
    [ "$(unit_count)" = "$before" ] && units_done "$before"
}
poll 60 settled_units || fail "the scanned units did not end: $(sqlite3 "$db" "SELECT serial || ' ' || result FROM units WHERE id > 5" 2>&1 | tr '\n' ' ')"
mapfile -t recorded < <(sqlite3 "$db" "SELECT serial FROM units WHERE id > 5 ORDER BY id")
[ "${#recorded[@]}" -gt 0 ] || fail "no scanned unit was recorded"
at=0
for serial in "${recorded[@]}"; do
    while [ "$at" -lt 50 ] && [ "${typed[$at]}" != "$serial" ]; do at=$((at + 1)); done
    [ "$at" -lt 50 ] || fail "the scanned units were recorded as ${recorded[*]}: $serial was not typed, or not in that order"
    at=$((at + 1))
done
[ "$(sqlite3 "$db" "SELECT count(*) FROM units WHERE id > 5 AND result <> 'pass'")" = 0 ] ||
    fail "not every scanned unit passed: $(sqlite3 "$db" "SELECT serial, result FROM units WHERE result <> 'pass'")"
# Each scan not recorded was refused whole, with its line in the box.
msgs=$xs_work/messages.txt
xdotool key alt+a
answer_file_dialog "Name of File to Save" "$msgs"
saved() { [ -s "$msgs" ]; }
poll 50 saved || fail "Save... wrote no message file"
for serial in "${typed[@]}"; do
    [[ " ${recorded[*]} " == *" $serial "* ]] && continue
    grep -q "^>*Unit $serial refused: unit TV2612-[0-9]* is already waiting" "$msgs" ||
        fail "$serial was neither recorded nor refused with its line"
done
last=${recorded[-1]}
say "50 serials scanned at 20 ms a character, 0.3 s apart, in fast mode: ${#recorded[@]} units, each a whole typed serial, in order, all passed"

close_tavolin
rm -rf "$prog/MonitorEDID"
(cd "$prog" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$xs_work/runtime" \
    DDCHELPER_BENCH="$xs_bench" timeout 20 ./tavolin) \
    >/dev/null 2>&1 &
tavolin_pid=$!
both_saved() { ls "$prog"/MonitorEDID/Monitor_2_*.bin >/dev/null 2>&1; }
poll 100 both_saved || fail "the second start saved no EDID of display 2"
sleep 0.5
for d in 1 2; do
    want=$(sqlite3 "$db" "SELECT image_sha256 FROM ports WHERE display = $d ORDER BY rowid DESC LIMIT 1")
    file=$(ls "$prog"/MonitorEDID/Monitor_${d}_*.bin | head -n 1)
    got=$(head -c 256 "$file" | sha256sum | cut -d' ' -f1)
    [ "$got" = "$want" ] || fail "display $d does not hold the image recorded for it"
    [ "$(od -An -tu4 -j 12 -N4 "$file" | tr -d ' ')" = "${last#TV2612-}" ] ||
        fail "display $d's numeric serial is not ${last#TV2612-}, the last serial's digits"
    if has_serial_descriptor "${images[$((d - 1))]}"; then
        grep -qa "$last" "$file" || fail "display $d's EDID lacks the last serial's text"
    fi
done
say "both displays hold the images stamped with the last serial, as recorded"
