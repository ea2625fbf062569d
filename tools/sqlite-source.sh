#!/usr/bin/env bash
# SQLite for the Windows build, from Debian's own source package: fetched
# once with apt-get source through a temporary apt configuration (the
# system's is not changed), unpacked with Debian's patches, and only the
# amalgamation kept: sqlite3.c, sqlite3.h and VERSION (the package's name
# and version) in build-deps/sqlite3/ (or $TAVOLIN_SQLITE_DIR). The Windows
# CMake build compiles it into the programs; nothing is fetched at build
# time. Needs tclsh, dpkg-source, make and a native C compiler
# (tools/install-deps.sh --windows installs them and then runs this).
# Does nothing when the folder holds all three.
set -euo pipefail
dest=${TAVOLIN_SQLITE_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build-deps/sqlite3}
[ -f "$dest/sqlite3.c" ] && [ -f "$dest/sqlite3.h" ] && [ -f "$dest/VERSION" ] && exit 0

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/lists/partial" "$tmp/dl"
# apt fetches as the _apt user, which must be able to write there.
[ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1 && chown -R _apt "$tmp"
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
printf 'deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian %s main\n' \
    "$suite" >"$tmp/src.list"
apt=(-o "Dir::Etc::SourceList=$tmp/src.list" -o Dir::Etc::SourceParts=/dev/null
     -o "Dir::State::Lists=$tmp/lists" -o Dir::Cache=/dev/null)
apt-get "${apt[@]}" update -qq
(cd "$tmp/dl" && apt-get "${apt[@]}" source --download-only -qq sqlite3)
# apt checked the files against the archive's signed index; the .dsc's own
# signature needs a keyring dpkg-source does not look in.
dpkg-source -x "$tmp"/dl/sqlite3_*.dsc "$tmp/src" >"$tmp/unpack.log" 2>&1 ||
    { cat "$tmp/unpack.log" >&2; exit 1; }
mkdir "$tmp/src/amalgamation"
(cd "$tmp/src/amalgamation" && ../configure --disable-tcl >configure.log 2>&1 &&
    make sqlite3.c >make.log 2>&1) || {
    tail -n 20 "$tmp"/src/amalgamation/*.log >&2
    echo "sqlite-source: building the amalgamation failed" >&2
    exit 1
}
mkdir "$tmp/keep"
cp "$tmp"/src/amalgamation/sqlite3.{c,h} "$tmp/keep/"
(cd "$tmp/src" && dpkg-parsechangelog -S Source && dpkg-parsechangelog -S Version) |
    paste -sd' ' >"$tmp/keep/VERSION"
mkdir -p "$(dirname "$dest")"
rm -rf "$dest"
mv "$tmp/keep" "$dest"
echo "sqlite-source: $(cat "$dest/VERSION") kept in $dest"
