#!/bin/sh
# A PostgreSQL server of its own for the tests of the line's record:
#   pg-scratch.sh start DIR   makes the cluster in DIR, starts it on a free
#                             port of 127.0.0.1, writes DIR/odbcinst.ini (for
#                             ODBCSYSINI=DIR) and prints the port
#   pg-scratch.sh stop DIR    stops it (DIR is then the caller's to remove)
# Exit 77 when Debian's postgresql-15 or odbc-postgresql is missing. The
# server runs as "nobody" when started by root (PostgreSQL refuses root).
set -eu
PGBIN=${TAVOLIN_PGBIN:-/usr/lib/postgresql/15/bin}
DRIVER=${TAVOLIN_PSQLODBC:-$(ls /usr/lib/*/odbc/psqlodbcw.so 2>/dev/null | head -n 1)}
what=${1:-}
dir=${2:-}
[ -n "$what" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

as_owner() {
    if [ "$(id -u)" = 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

case "$what" in
stop)
    [ -f "$dir/data/postmaster.pid" ] || exit 0
    as_owner "$PGBIN/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    ;;
start)
    if [ ! -x "$PGBIN/initdb" ] || [ -z "$DRIVER" ] || [ ! -f "$DRIVER" ]; then
        echo "no PostgreSQL 15 server or psqlodbc driver (tools/install-deps.sh --line)" >&2
        exit 77
    fi
    mkdir -p "$dir"
    if [ "$(id -u)" = 0 ]; then
        # nobody must reach the folder through the caller's temporary one.
        chmod a+x "$(dirname "$dir")"
        chown nobody "$dir"
    fi
    as_owner "$PGBIN/initdb" -D "$dir/data" -A trust -U tavolin -E UTF8 --locale=C --no-sync \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    printf '[PostgreSQL Unicode]\nDriver=%s\n' "$DRIVER" >"$dir/odbcinst.ini"
    : >"$dir/odbc.ini"
    # A port another program holds makes the start fail: the next is tried.
    port=$((20000 + $$ % 20000))
    for try in 1 2 3 4 5 6 7 8 9 10; do
        if as_owner "$PGBIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 20 \
            -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off" \
            start >/dev/null 2>&1; then
            echo "$port"
            exit 0
        fi
        port=$((port + 1 + try * 7))
    done
    cat "$dir/server.log" >&2
    exit 1
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
