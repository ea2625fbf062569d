#!/usr/bin/env bash
# The line report as a reader sees it: a record of a known shift (made by
# the program's production mode, its units added with sqlite3: three
# stations, six hours, failures of two kinds on two ports, a rework and a
# retry), tavolin-cli records and report run on it, and report.html opened
# by headless Chromium with no network and a fresh profile. Its numbers
# must be in the page, it must fetch nothing, and it must print; the
# screenshot is kept as docs/line-report.png.
#
# Usage: tools/report-check.sh [build-dir]    (default: build/ of this tree)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
fail() { echo "report-check: $*" >&2; exit 1; }
for tool in chromium sqlite3 identify convert; do
    command -v "$tool" >/dev/null || fail "$tool is missing (run tools/install-deps.sh --report)"
done
[ -x "$build/tavolin-cli" ] || fail "no tavolin-cli in '$build'"

work=$(mktemp -d "${TMPDIR:-/tmp}/tavolin-report.XXXXXX")
trap 'rm -rf "$work"' EXIT
station=$work/station
mkdir "$station"
printf 'Production = 1\r\nSimulated = 1\r\nStation = L3-A\r\n' >"$station/Station.ini"
# The production mode makes the record at its start; the unit itself is
# refused (no port map), which is all this needs.
DDCHELPER_BENCH=builtin "$build/tavolin-cli" unit --serial SN0 --folder "$station" \
    >"$work/start.txt" 2>&1 || true
[ -f "$station/units.sqlite" ] || fail "the production mode made no record: $(cat "$work/start.txt")"

# Ten units an hour from 06:00 to 11:59 on three stations; every seventh
# fails verifying on DP-1, every eleventh does not answer on HDMI-1; a
# failed serial is tried again at the next unit, one passed unit reworked.
{
    echo "BEGIN;"
    id=0 serial=1000
    for hour in 06 07 08 09 10 11; do
        for slot in 0 1 2 3 4 5 6 7 8 9; do
            id=$((id + 1))
            station_name=L3-$(printf '%s' ABC | cut -c$((id % 3 + 1)))
            result=pass reason="" p1=pass p2=pass m1="" m2=""
            if [ $((id % 7)) -eq 0 ]; then
                result=fail p1=fail m1="verify: byte 0x12 differs" reason="port DP-1 failed: verify"
            elif [ $((id % 11)) -eq 0 ]; then
                result=fail p2=fail m2="no ACK at 0x50" reason="port HDMI-1 failed: no ACK"
            fi
            rework=0
            [ "$id" -eq 30 ] && { rework=1; serial=$((serial - 1)); }
            time="2026-12-09T$hour:$((slot * 6 / 10))$((slot * 6 % 10)):00Z"
            echo "INSERT INTO units(id, time_utc, station, serial, numeric_serial, week, year," \
                 "package_path, package_checksum, result, rework, message) VALUES($id, '$time'," \
                 "'$station_name', 'L3-$serial', $serial, 50, 2026, '/pkg/line3.pkg', '0x1F2E'," \
                 "'$result', $rework, '$reason');"
            echo "INSERT INTO ports(unit_id, port, display, display_id, image_sha256, result," \
                 "message, duration_ms, numeric_serial, week, year) VALUES" \
                 "($id, 'DP-1', 1, 'DEL:A0B1', 'ab12', '$p1', '$m1', 2100, $serial, 50, 2026)," \
                 "($id, 'HDMI-1', 2, 'SAM:0C0D', 'cd34', '$p2', '$m2', 2300, $serial, 50, 2026);"
            [ "$result" = pass ] && serial=$((serial + 1))
        done
    done
    echo "COMMIT;"
} >"$work/shift.sql"
sqlite3 "$station/units.sqlite" <"$work/shift.sql" || fail "sqlite3 could not add the shift"

# What the record holds, as the report must count it.
q() { sqlite3 "$station/units.sqlite" "$1"; }
units=$(q "SELECT COUNT(*) FROM units")
failed=$(q "SELECT COUNT(*) FROM units WHERE result = 'fail'")
dp1=$(q "SELECT COUNT(*) FROM ports WHERE port = 'DP-1' AND result = 'fail'")
[ "$units" -eq 60 ] || fail "the record holds $units units, not 60"

rows=$("$build/tavolin-cli" records --folder "$station" --result fail --format json |
    grep -c '"unit_result": "fail"') || true
[ "$rows" -eq $((failed * 2)) ] || fail "records --result fail gave $rows port rows, not $((failed * 2))"
csv=$("$build/tavolin-cli" records --folder "$station" --since 2026-12-09T11:00 | wc -l)
[ "$csv" -eq 21 ] || fail "records --since 11:00 gave $csv lines, not a header and 20 rows"

html=$work/report.html
"$build/tavolin-cli" report --folder "$station" -o "$html" || fail "report failed"
for text in "<tr><td>Units</td><td>$units</td></tr>" "<tr><td>Failed</td><td>$failed</td></tr>" \
    "<tr><td>DP-1</td><td>$dp1</td></tr>" "<tr><td>2026-12-09 06:00</td><td>10</td>"; do
    grep -qF "$text" "$html" || fail "the report lacks $text"
done
if grep -qiE '<script|src=|href=|url\(|@import' "$html"; then
    fail "the report would fetch or run something"
fi

# Chromium with no network, a fresh profile and nothing of its own started.
chrome() {
    local profile
    profile=$(mktemp -d "$work/profile.XXXXXX")
    timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run --hide-scrollbars \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" "$@" >>"$work/chromium.txt" 2>&1
}
shot=$work/line-report.png
chrome --screenshot="$shot" --window-size=1000,1400 "file://$html" ||
    fail "chromium failed: $(tail -5 "$work/chromium.txt")"
[ -s "$shot" ] || fail "chromium left no screenshot"
[ "$(identify -format '%wx%h' "$shot")" = 1000x1400 ] || fail "the screenshot is not 1000x1400"
# A blank page is white all over; the report's bars and text are not.
dark=$(convert "$shot" -colorspace Gray -threshold 60% -format '%[fx:1-mean]' info:)
awk -v d="$dark" 'BEGIN { exit !(d > 0.01) }' || fail "the screenshot is blank (dark share $dark)"
chrome --print-to-pdf="$work/report.pdf" --no-pdf-header-footer "file://$html" ||
    fail "chromium could not print the report: $(tail -5 "$work/chromium.txt")"
[ "$(head -c 5 "$work/report.pdf")" = "%PDF-" ] || fail "the printed report is no PDF"

cp "$shot" "$root/docs/line-report.png"
echo "report-check: $units units, $failed failed; docs/line-report.png kept"
