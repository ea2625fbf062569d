#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need
# (libi2c-dev: i2c-tools' SMBus library, which the bus library links;
# libsqlite3-dev and nettle-dev: SQLite and SHA-256 for the unit record;
# edid-decode: the program runs it to analyse an EDID image; sqlite3: the
# production operator script reads the record with it; unixodbc-dev: the
# record on the line's database server; postgresql-15 and odbc-postgresql:
# the server and driver the record's tests start for themselves,
# tools/pg-scratch.sh).
# With --windows: instead, what the Windows builds (i686 and x86_64) and
# their runs under wine need: both mingw-w64 cross compilers and wine64,
# and on an amd64 machine the 32-bit wine too (the i386 architecture is
# added first; whether its kernel runs 32-bit programs, the wine scripts
# find out).
# With --qemu: instead, what tools/qemu-i2c-test.sh needs (qemu, a static
# busybox, cpio, gcc and the static libi2c), and Debian's own kernel: the
# package that linux-image-amd64 depends on is fetched with apt-get download
# and only its vmlinuz, i2c-dev.ko and i2c-stub.ko are kept, in
# build-qemu/kernel/ (or $TAVOLIN_QEMU_KERNEL). The test never downloads.
# With --package: instead, what building and checking the Debian package
# needs (tools/package-check.sh): dpkg-dev and file for CPack's shared
# library dependencies, lintian, desktop-file-utils.
# With --fuzz: instead, what tools/fuzz.sh needs: clang, libFuzzer and the
# sanitizer run-times (libclang-rt-14-dev), llvm-symbolizer (llvm-14) for
# the stack traces of a finding, and xxd for its input.
# With --report: instead, what tools/report-check.sh needs: Debian's
# chromium (the line report opened headless), sqlite3 and imagemagick.
# Safe to run again: it does nothing when everything is already there.
set -euo pipefail
case "${1:-}" in
  --windows)
    packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64)
    [ "$(dpkg --print-architecture)" = amd64 ] && packages+=(wine32:i386)
    ;;
  --qemu) packages=(qemu-system-x86 busybox-static cpio gcc libc6-dev libi2c-dev) ;;
  --fuzz) packages=(clang libclang-rt-14-dev llvm-14 xxd) ;;
  --package) packages=(dpkg-dev file lintian desktop-file-utils) ;;
  --report) packages=(chromium sqlite3 imagemagick) ;;
  *)
    packages=(
      cmake ninja-build g++ pkg-config
      qt6-base-dev qt6-base-private-dev libqt6opengl6-dev qt6-qpa-plugins
      libgtest-dev libgmock-dev libi2c-dev libsqlite3-dev nettle-dev edid-decode sqlite3
      fonts-dejavu-core fonts-wqy-microhei libqt6svg6 xvfb xauth
      xdotool x11-apps x11-utils imagemagick openbox
      unixodbc-dev odbc-postgresql postgresql-15
    )
    ;;
esac
# --windows also makes SQLite's amalgamation for the Windows build from
# Debian's source package (tools/sqlite-source.sh: build-deps/sqlite3/, or
# $TAVOLIN_SQLITE_DIR), with these.
[ "${1:-}" = --windows ] && packages+=(tcl dpkg-dev make gcc libc6-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
updated=""
if [ ${#missing[@]} -ne 0 ]; then
  if [ "${1:-}" = --windows ] && [[ " ${missing[*]} " == *":i386 "* ]]; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  updated=yes
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ "${1:-}" = --windows ] && exec "$(dirname "$0")/sqlite-source.sh"
[ "${1:-}" = --qemu ] || exit 0

kernel=${TAVOLIN_QEMU_KERNEL:-$(cd "$(dirname "$0")/.." && pwd)/build-qemu/kernel}
[ -f "$kernel/vmlinuz" ] && [ -f "$kernel/i2c-dev.ko" ] && [ -f "$kernel/i2c-stub.ko" ] && exit 0
image() { apt-cache depends linux-image-amd64 2>/dev/null | awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { print $2; exit }'; }
package=$(image)
if [ -z "$package" ] && [ -z "$updated" ]; then
  $sudo apt-get update -qq
  package=$(image)
fi
[ -n "$package" ] || { echo "install-deps: apt-cache names no kernel for linux-image-amd64" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# apt fetches as the _apt user, which must be able to write the folder.
[ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1 && chown _apt "$tmp"
(cd "$tmp" && apt-get download -qq "$package")
mkdir "$tmp/x"
dpkg-deb --fsys-tarfile "$tmp"/*.deb | tar -x -C "$tmp/x" --wildcards \
  './boot/vmlinuz-*' './lib/modules/*/kernel/drivers/i2c/i2c-dev.ko' './lib/modules/*/kernel/drivers/i2c/i2c-stub.ko'
mkdir "$tmp/kernel"
mv "$tmp"/x/boot/vmlinuz-* "$tmp/kernel/vmlinuz"
mv "$tmp"/x/lib/modules/*/kernel/drivers/i2c/i2c-{dev,stub}.ko "$tmp/kernel/"
dpkg-deb -f "$tmp"/*.deb Package Version >"$tmp/kernel/package"
mkdir -p "$(dirname "$kernel")"
rm -rf "$kernel"
mv "$tmp/kernel" "$kernel"
echo "install-deps: $package kept in $kernel"
