#!/usr/bin/env bash
# One production unit through tavolin.exe under wine, the way an operator
# runs a station, on Xvfb with openbox and the keyboard through xdotool:
#   1. the Windows program folder (as built: 32-bit in a win32 prefix,
#      64-bit under wine64) in a fresh prefix as C:\Tavolin,
#      with a package of two real EDIDs of ../shared/data/edid built by the
#      Linux tavolin-pkg and a Station.ini that maps them onto the built-in
#      bench's two displays (Simulated = 1, a training station);
#   2. Alt+B and the file dialog pick the package, Alt+R detects the
#      displays again, a serial typed into the unit field and Enter run the
#      unit, which must pass;
#   3. the record (read with the Linux sqlite3) must hold the unit with both
#      ports passed and stamped (the SHA-256 of each stamped image), and
#      Station.ini the record's id and the last unit; File > Export
#      records... must write a CSV whose port lines agree with the record;
#   4. a second start saves what the displays hold: each must be its port's
#      image stamped with the serial, as the record's SHA-256 says.
# Fails with a message when any step does not happen. About a minute.
# Leaves docs/wine-production.png (the main window with the unit's result).
#
# Usage: tools/wine-production.sh [build-dir] [windows-build-dir]
#        (default: build/ and build-win/ of this tree; the first built, the
#        second built here as it was configured, 32-bit when new). A 32-bit
#        program where the kernel runs no 32-bit x86 program: SKIPPED.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
win=$(realpath -m "${2:-$root/build-win}")
xs_name=wine-production

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert sqlite3 sha256sum objdump wineboot wineserver
[ -x "$build/tavolin-pkg" ] || fail "no tavolin-pkg in '$build'"

toolchain=()
[ -f "$win/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake")
cmake -S "$root" -B "$win" -G Ninja --no-warn-unused-cli "${toolchain[@]}" >"$xs_work/configure.log" ||
    fail "configuring $win failed"
grep -q 'The unit record: SQLite' "$xs_work/configure.log" ||
    fail "$win is built without the unit record: $(grep -m1 'unit record' "$xs_work/configure.log")"
cmake --build "$win" >"$xs_work/build.log" 2>&1 ||
    fail "building $win failed: $(tail -n 5 "$xs_work/build.log")"

# Two real EDIDs with a serial descriptor for the stamp to fill.
images=()
for f in $(xs_corpus_edids); do
    for at in 54 72 90 108; do
        if [ "$(od -An -tx1 -j "$at" -N4 "$f" | tr -d ' ')" = 000000ff ]; then
            images+=("$f")
            break
        fi
    done
    [ "${#images[@]}" -lt 2 ] || break
done
[ "${#images[@]}" -eq 2 ] || { echo "wine-production: SKIPPED: no EDID data set in ../shared/data/edid"; exit 0; }

arch=win32
objdump -f "$win/tavolin/tavolin.exe" 2>/dev/null | grep -q 'x86-64' && arch=win64
# shellcheck source=tools/wine-arch.sh
. "$root/tools/wine-arch.sh"
wine_arch_set "$arch"
why=$(wine_arch_unrunnable "$arch")
if [ -n "$why" ]; then
    [ "$arch" = win32 ] || fail "the 64-bit tavolin.exe cannot run: $why"
    echo "wine-production: SKIPPED: $why"
    exit 0
fi
export WINEPREFIX="$xs_work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_cleanup() { timeout 30 wineserver -k 2>/dev/null || true; }
trap 'wine_cleanup; xs_cleanup' EXIT
xs_start_x wm
timeout 300 "$wine_loader" wineboot --init >"$xs_work/wineboot.log" 2>&1 || fail "wineboot --init failed"
timeout 120 wineserver -w || fail "wine did not settle after wineboot"
prog=$WINEPREFIX/drive_c/Tavolin
cp -r "$win/tavolin" "$prog"
"$build/tavolin-pkg" build -o "$prog/unit.pkg" --type HDMI --text-a Line --text-b Unit \
    --port "HDMI1=${images[0]}" --port "HDMI2=${images[1]}" >/dev/null ||
    fail "tavolin-pkg refused ${images[*]}"
printf '%s\r\n' 'Production = 1' 'Station = Wine bench' 'SerialSource = scan' \
    'NumericSerial = digits' 'WeekYear = 12 2026' 'PortMap = HDMI1:1, HDMI2:2' 'Simulated = 1' \
    >"$prog/Station.ini"
say "packaged $(basename "${images[0]}") and $(basename "${images[1]}")"

# The serial field holds the keyboard, so its cursor blinks.
XS_SETTLE_MASK="200,370 440,430"
visible_windows() { xdotool search --onlyvisible --classname tavolin.exe 2>/dev/null || true; }
start_tavolin() {
    (cd "$prog" && DDCHELPER_BENCH=builtin exec "$wine_loader" tavolin.exe) >"$xs_work/tavolin.log" 2>&1 &
    tavolin_pid=$!
    poll 150 xs_main_shown || fail "tavolin.exe showed no main window within 30 s"
    main=$(main_window)
}
start_tavolin
park_pointer
wait_settled "starting tavolin.exe"

xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key alt+b
answer_file_dialog "Select File" 'C:\Tavolin\unit.pkg'
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key alt+r
wait_settled "detecting the displays again"

db=$prog/units.sqlite
serial=TV2612-4711
unit_ended() { [ "$(sqlite3 "$db" "SELECT count(*) FROM units WHERE result <> 'running'" 2>/dev/null)" = 1 ]; }
xdotool type --delay 8 "$serial"
xdotool key Return
poll 600 unit_ended || fail "unit $serial did not end within 2 minutes: $(sqlite3 "$db" "SELECT * FROM units" 2>&1)"
wait_settled "unit $serial ending"

rows=$(sqlite3 "$db" "SELECT station, serial, numeric_serial, week, year, result, rework FROM units")
[ "$rows" = "Wine bench|$serial|4711|12|2026|pass|0" ] || fail "the record's unit: $rows"
ports=$(sqlite3 "$db" "SELECT port, display, result, numeric_serial, week, year FROM ports ORDER BY rowid")
[ "$ports" = "HDMI1|1|pass|4711|12|2026
HDMI2|2|pass|4711|12|2026" ] || fail "the record's ports: $ports"
[ "$(sqlite3 "$db" "PRAGMA journal_mode")" = wal ] || fail "the record is not in WAL mode"
time_utc=$(sqlite3 "$db" "SELECT time_utc FROM units")
[[ "$time_utc" =~ ^20[0-9][0-9]-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]Z$ ]] ||
    fail "the unit's time is not UTC in ISO 8601: $time_utc"
id=$(sqlite3 "$db" "SELECT value FROM meta WHERE key = 'record_id'")
grep -aq "^RecordId = $id"$'\r'"\$" "$prog/Station.ini" && grep -aq $'^LastUnit = 1\r$' "$prog/Station.ini" ||
    fail "Station.ini does not name the record $id and its unit 1: $(tr -d '\r' <"$prog/Station.ini")"
say "unit $serial passed; the record holds it with both ports, Station.ini names the record"
grab_framed "$main" "$root/docs/wine-production.png"

xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key alt+f
sleep 0.5
xdotool key e
answer_file_dialog "Export records" 'C:\Tavolin\units.csv'
csv=$prog/units.csv
exported() { [ -s "$csv" ]; }
poll 50 exported || fail "Export records... wrote no file"
expected=$(sqlite3 -separator , "$db" "SELECT u.serial, p.port, p.display, p.image_sha256, p.result
    FROM ports p JOIN units u ON u.id = p.unit_id ORDER BY u.id, p.rowid")
actual=$(tail -n +2 "$csv" | tr -d '\r' | awk -F, '{ print $4 "," $12 "," $13 "," $15 "," $16 }')
[ "$(wc -l <"$csv")" = 3 ] && [ "$expected" = "$actual" ] || fail "the CSV and the record differ:
$expected
---
$(cat "$csv")"
say "the CSV's port lines agree with the record"

close_tavolin() {
    click_close_box "$main"
    ended() { ! tavolin_alive; }
    poll 100 ended || fail "the close box did not end tavolin.exe"
    tavolin_pid=""
}
close_tavolin

# A second start saves what each display holds: the stamped image.
rm -rf "$prog/MonitorEDID"
start_tavolin
both_saved() { ls "$prog"/MonitorEDID/Monitor_2_*.bin >/dev/null 2>&1; }
poll 150 both_saved || fail "the second start saved no EDID of display 2"
sleep 0.5
for d in 1 2; do
    want=$(sqlite3 "$db" "SELECT image_sha256 FROM ports WHERE display = $d")
    file=$(ls "$prog"/MonitorEDID/Monitor_${d}_*.bin | head -n 1)
    [ "$(head -c 256 "$file" | sha256sum | cut -d' ' -f1)" = "$want" ] ||
        fail "display $d does not hold the image recorded for it"
    [ "$(od -An -tu4 -j 12 -N4 "$file" | tr -d ' ')" = 4711 ] && grep -qa "$serial" "$file" ||
        fail "display $d's EDID is not stamped with $serial"
done
say "both displays hold the images stamped with $serial, as recorded"
close_tavolin
say "all checks passed"
