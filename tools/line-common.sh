# Shared by the scripts that run stations of a line on a scratch PostgreSQL
# server (tools/pg-scratch.sh). Before sourcing: root, name (the script's
# name in its messages), work (a fresh folder); cleanup() may extend
# line_cleanup. Gives fail, as_owner, sql, settings, line_server_start.
PGBIN=${TAVOLIN_PGBIN:-/usr/lib/postgresql/15/bin}

fail() { echo "$name: $*" >&2; exit 1; }
as_owner() {
    if [ "$(id -u)" = 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}
sql() {
    "$PGBIN/psql" -X -q -At -h 127.0.0.1 -p "$port" -U tavolin -d postgres -c "$1"
}
line_cleanup() {
    "$root/tools/pg-scratch.sh" stop "$work/pg" >/dev/null 2>&1 || true
    rm -rf "$work"
}

# Starts the server in $work/pg and sets port and the ODBC environment; a
# machine without the server or its driver skips (exit 77, for ctest).
line_server_start() {
    local status=0
    port=$("$root/tools/pg-scratch.sh" start "$work/pg") || status=$?
    if [ "$status" = 77 ]; then
        echo "$name: skipped: no PostgreSQL server or driver (tools/install-deps.sh)"
        exit 77
    fi
    [ "$status" = 0 ] || fail "the server did not start"
    export ODBCSYSINI=$work/pg ODBCINI=$work/pg/odbc.ini DDCHELPER_BENCH=builtin
}

# A station's DefSetting.ini: Program and Verify from $work/unit.pkg.
settings() {
    printf 'Version Name = Tavolin - EDID Download AP v1.04c  2010.05.27\r\r\n'
    printf 'FilePath = %s\r\r\nFunctionSelect = 0 1 1 0 0 0\r\r\n' "$work/unit.pkg"
    printf 'SavedFileType = 1 0\r\r\nReceivedNumOfPage = 1\r\r\nDdcI2cSpeed = 4\r\r\n'
}
