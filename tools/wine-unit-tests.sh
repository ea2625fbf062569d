#!/usr/bin/env bash
# The unit record's tests (tests/platform/test_records.cpp) built with mingw,
# googletest from Debian's sources and SQLite's amalgamation built in, run
# under wine without ctest: 64-bit under wine64 in a fresh win64 prefix,
# then 32-bit in a fresh win32 prefix where the kernel runs 32-bit programs
# (otherwise that half says SKIPPED and why). Exits 1 when a build or a test
# fails. Needs tools/install-deps.sh --windows (it makes the amalgamation).
# Usage: tools/wine-unit-tests.sh [win64-build-dir] [win32-build-dir]
#        (default: build-win64 and build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=tools/wine-arch.sh
. tools/wine-arch.sh
build64=${1:-build-win64}
build32=${2:-build-win}

fail() {
  echo "wine-unit-tests: $*" >&2
  exit 1
}

build() { # folder, toolchain
  cmake -S . -B "$1" -G Ninja --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="cmake/$2" \
    >"$tmp/configure.log" 2>&1 || fail "configuring $1 failed: $(tail -n 5 "$tmp/configure.log")"
  cmake --build "$1" --target test_records >"$tmp/build.log" 2>&1 ||
    fail "building $1 failed: $(tail -n 5 "$tmp/build.log")"
  [ -f "$1/tests/test_records.exe" ] ||
    fail "$1 has no tests/test_records.exe: no SQLite amalgamation ($(grep -m1 'unit record' "$tmp/configure.log"))"
}

run() { # folder, wine architecture
  wine_arch_set "$2"
  export WINEPREFIX="$tmp/prefix-$2"
  timeout 300 "$wine_loader" wineboot --init >"$tmp/wineboot.log" 2>&1 || fail "wineboot --init ($2) failed"
  timeout 120 wineserver -w || fail "wine ($2) did not settle after wineboot"
  echo "wine-unit-tests: $1/tests/test_records.exe under $2"
  local status=0
  timeout 300 "$wine_loader" "$1/tests/test_records.exe" --gtest_brief=1 || status=$?
  timeout 30 wineserver -k 2>/dev/null || true
  [ "$status" -eq 0 ] || fail "test_records.exe ($2) failed with exit code $status"
}

tmp=$(mktemp -d)
cleanup() {
  timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

why=$(wine_arch_unrunnable win64)
[ -z "$why" ] || fail "the 64-bit tests cannot run: $why"
build "$build64" toolchain-mingw-x86_64.cmake
run "$build64" win64

build "$build32" toolchain-mingw-i686.cmake
why=$(wine_arch_unrunnable win32)
if [ -n "$why" ]; then
  echo "wine-unit-tests: 32-bit SKIPPED: $why"
  exit 0
fi
run "$build32" win32
echo "wine-unit-tests: all passed"
