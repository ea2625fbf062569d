#!/usr/bin/env bash
# Four stations of one line on one PostgreSQL server (tools/pg-scratch.sh):
# four folders, each a counter station running `tavolin-cli unit --next` on
# the built-in bench's simulated displays, UNITS units each, all at once.
# Then every unit is recorded once under its own serial (the line's counter
# gave each serial once, and the database took one pass per serial), and a
# station killed in the middle of a unit shows that unit interrupted and no
# second row for its serial.
#   tools/line-stations.sh [BUILD_DIR [UNITS]]      (default: build, 200)
# Exit 77 (a skip for ctest) when the server or its driver is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
units=${2:-200}
work=$(mktemp -d /tmp/tavolin-line.XXXXXX)
name=line-stations
loops=()
# shellcheck source=tools/line-common.sh
. "$root/tools/line-common.sh"
cleanup() {
    for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    line_cleanup
}
trap cleanup EXIT
line_server_start
station() { # n
    local dir=$work/s$1
    mkdir -p "$dir"
    cp "$build/tavolin-cli" "$build/Pavimo.uir" "$build"/*.so "$dir/"
    settings >"$dir/DefSetting.ini"
    cat >"$dir/Station.ini" <<INI
Production = 1
Station = S$1
SerialSource = counter
SerialPrefix = L3-
SerialDigits = 6
NextSerial = 1
NumericSerial = counter
WeekYear = keep
PortMap = HDMI1:1
Records = odbc:Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=$port;Database=postgres;Uid=tavolin;Pwd=line3;
Simulated = 1
INI
}

# The package: the first simulated display's own image.
for n in 1 2 3 4; do station "$n"; done
(cd "$work/s1" && ./tavolin-cli read --display 1 -o "$work/d1.bin" --quiet 2>/dev/null) ||
    fail "the simulated display could not be read"
"$build/tavolin-pkg" build -o "$work/unit.pkg" --type HDMI --text-a Line --text-b Unit \
    --port "HDMI1=$work/d1.bin" >/dev/null || fail "tavolin-pkg refused the image"

run_units() { # n count
    local i
    for ((i = 0; i < $2; i++)); do
        (cd "$work/s$1" && ./tavolin-cli unit --next --fast >>"$work/s$1.log" 2>&1) ||
            { echo "station $1, unit $((i + 1)) did not pass" >>"$work/failed"; }
    done
}

started=$(date +%s)
for n in 1 2 3; do
    run_units "$n" "$units" &
    loops+=($!)
done
# The fourth station is killed in the middle of its first unit (paced, so
# it is slow enough to be caught running), then runs all of its units.
(cd "$work/s4" && exec ./tavolin-cli unit --next >>"$work/s4.log" 2>&1) &
victim=$!
for ((i = 0; i < 400; i++)); do
    [ "$(sql "SELECT count(*) FROM units WHERE station = 'S4' AND result = 'running'" 2>/dev/null)" = 1 ] && break
    sleep 0.05
done
kill -KILL "$victim" 2>/dev/null || true
wait "$victim" 2>/dev/null || true
[ "$(sql "SELECT count(*) FROM units WHERE station = 'S4'")" = 1 ] ||
    fail "station 4 was not caught in the middle of a unit"
run_units 4 "$units" &
loops+=($!)
for pid in "${loops[@]}"; do wait "$pid"; done
loops=()
echo "line-stations: $((4 * units)) units on 4 stations in $(($(date +%s) - started)) s"

[ ! -f "$work/failed" ] || fail "$(head -5 "$work/failed") (log: $(tail -3 "$work/s1.log"))"
expect() { # what sql wanted
    local got
    got=$(sql "$2")
    [ "$got" = "$3" ] || fail "$1: $got, not $3"
}
expect "passed units" "SELECT count(*) FROM units WHERE result = 'pass'" "$((4 * units))"
expect "distinct passed serials" \
    "SELECT count(DISTINCT serial) FROM units WHERE result = 'pass'" "$((4 * units))"
expect "serials with two rows" \
    "SELECT count(*) FROM (SELECT serial FROM units GROUP BY serial HAVING count(*) > 1) AS d" 0
expect "the killed unit" \
    "SELECT station || ' ' || result || ' ' || (serial LIKE 'L3-______') FROM units
     WHERE result <> 'pass'" \
    "S4 interrupted true"
expect "each station's passes" \
    "SELECT string_agg(station || '=' || n, ' ' ORDER BY station) FROM
     (SELECT station, count(*) AS n FROM units WHERE result = 'pass' GROUP BY station) AS s" \
    "S1=$units S2=$units S3=$units S4=$units"
expect "the line's counter" "SELECT next_value FROM counters WHERE prefix = 'L3-'" \
    "$((4 * units + 2))"
echo "line-stations: every serial recorded once; the killed unit interrupted"

# The reports read the same server: a header and a line per unit of station
# 2 (one port each), and the report, its password masked.
lines=$(cd "$work/s1" && ./tavolin-cli records --station S2 | wc -l)
[ "$lines" = $((units + 1)) ] || fail "records --station S2 gave $lines lines, not $((units + 1))"
(cd "$work/s1" && ./tavolin-cli report -o "$work/report.html" >/dev/null) ||
    fail "tavolin-cli report could not read the server"
grep -q 'Pwd=\*\*\*;' "$work/report.html" && ! grep -q 'Pwd=line3' "$work/report.html" ||
    fail "the report does not name the server with its password masked"
echo "line-stations: records and report read the server"
