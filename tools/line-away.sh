#!/usr/bin/env bash
# Two stations of one line while its PostgreSQL server (tools/pg-scratch.sh)
# is stopped and started again between units: a scanning station (its units
# kept in its spool.sqlite meanwhile) and a counter station (its units
# refused meanwhile), each running `tavolin-cli unit` UNITS times with the
# server up, UNITS times with it away and UNITS times with it back. Then the
# scanning station's units are all on the server once, in the order they ran,
# its spool empty; the counter station's units refused while the server was
# away, its serials all distinct.
#   tools/line-away.sh [BUILD_DIR [UNITS]]      (default: build, 5)
# Exit 77 (a skip for ctest) when the server or its driver is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
units=${2:-5}
name=line-away
work=$(mktemp -d /tmp/tavolin-away.XXXXXX)
# shellcheck source=tools/line-common.sh
. "$root/tools/line-common.sh"
trap line_cleanup EXIT
line_server_start

server() { # stop|start
    as_owner "$PGBIN/pg_ctl" -D "$work/pg/data" -l "$work/pg/server.log" -m immediate -w -t 20 \
        -o "-p $port -k $work/pg -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off" \
        "$1" >/dev/null || fail "the server did not $1"
}

station() { # name source
    local dir=$work/$1
    mkdir -p "$dir"
    cp "$build/tavolin-cli" "$build/Pavimo.uir" "$build"/*.so "$dir/"
    settings >"$dir/DefSetting.ini"
    cat >"$dir/Station.ini" <<INI
Production = 1
Station = $1
SerialSource = $2
SerialPrefix = L3-
SerialDigits = 6
NextSerial = 1
NumericSerial = keep
WeekYear = keep
PortMap = HDMI1:1
Records = odbc:Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=$port;Database=postgres;Uid=tavolin;Pwd=line3;
Simulated = 1
INI
}
station scan scan
station count counter
(cd "$work/scan" && ./tavolin-cli read --display 1 -o "$work/d1.bin" --quiet 2>/dev/null) ||
    fail "the simulated display could not be read"
"$build/tavolin-pkg" build -o "$work/unit.pkg" --type HDMI --text-a Line --text-b Unit \
    --port "HDMI1=$work/d1.bin" >/dev/null || fail "tavolin-pkg refused the image"

scanned=0
run() { # phase: each station's units; the outcomes in $work/outcomes
    local i
    for ((i = 0; i < units; i++)); do
        scanned=$((scanned + 1))
        if (cd "$work/scan" && ./tavolin-cli unit --serial "SC-$scanned" --fast >>"$work/scan.log" 2>&1)
        then echo "$1 scan pass" >>"$work/outcomes"; else echo "$1 scan refused" >>"$work/outcomes"; fi
        if (cd "$work/count" && ./tavolin-cli unit --next --fast >>"$work/count.log" 2>&1)
        then echo "$1 count pass" >>"$work/outcomes"; else echo "$1 count refused" >>"$work/outcomes"; fi
    done
}
run up
server stop
run away
[ -f "$work/scan/spool.sqlite" ] || fail "the scanning station kept no spool"
server start
run back

tally() { grep -c "^$1\$" "$work/outcomes" || true; }
expect_n() { # what got wanted
    [ "$2" = "$3" ] || fail "$1: $2, not $3 (logs: $(tail -3 "$work/scan.log") / $(tail -3 "$work/count.log"))"
}
expect_n "scanned units that passed" "$(tally "[a-z]* scan pass")" "$((3 * units))"
expect_n "counter units while away" "$(tally "away count refused")" "$units"
expect_n "counter units up and back" "$(($(tally "up count pass") + $(tally "back count pass")))" \
    "$((2 * units))"
grep -q "the line's server is away: a counter station takes no serial" "$work/count.log" ||
    fail "the counter station did not say why it refused"
expect() { # what sql wanted
    local got
    got=$(sql "$2")
    expect_n "$1" "$got" "$3"
}
expect "scanned units on the server, in order" \
    "SELECT string_agg(serial, ' ' ORDER BY id) FROM units WHERE station = 'scan'" \
    "$(for ((i = 1; i <= 3 * units; i++)); do printf 'SC-%d ' "$i"; done | sed 's/ $//')"
expect "scanned units passed" "SELECT count(*) FROM units WHERE station = 'scan' AND result = 'pass'" \
    "$((3 * units))"
expect "counter units on the server" \
    "SELECT count(*) || ' ' || count(DISTINCT serial) FROM units WHERE station = 'count'" \
    "$((2 * units)) $((2 * units))"
expect "serials with two rows" \
    "SELECT count(*) FROM (SELECT serial FROM units GROUP BY serial HAVING count(*) > 1) AS d" 0
left=$(sqlite3 "$work/scan/spool.sqlite" "SELECT count(*) FROM units" 2>/dev/null || echo none)
expect_n "units left in the spool" "$left" 0
echo "line-away: the spooled units arrived once, the counter station refused while the server was away"
