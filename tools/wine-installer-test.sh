#!/usr/bin/env bash
# Builds the Windows tree of one architecture (DDCHelper.dll, the installer
# and the test component DDCHelperX.dll) and runs the installer under wine
# in a throwaway prefix of that architecture: install, uninstall without
# deleting the files, uninstall without unregistering. Prints every check;
# exits 1 when one fails.
# Usage: tools/wine-installer-test.sh [--arch win32|win64] [build-dir]
#        (default: win32 in build-win; win64 in build-win64, installer64.exe
#        in DDC_Library/64Bit, run by wine64)
# Needs tools/install-deps.sh --windows.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=win32
if [ "${1:-}" = --arch ]; then
  arch=${2:-}
  shift 2 || true
fi

fail() {
  echo "wine-installer-test: $*" >&2
  exit 1
}
# shellcheck source=tools/wine-arch.sh
. tools/wine-arch.sh
wine_arch_set "$arch" || fail "--arch takes win32 or win64, not '$arch'"
build=${1:-$wine_build}
cmake -S . -B "$build" -G Ninja --no-warn-unused-cli \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-$wine_toolchain.cmake >/dev/null || fail "configuring $build failed"
cmake --build "$build" || fail "building $build failed"
shipped="$build/$wine_shipped"
exe=$wine_installer

# Where the architecture cannot run, the build above is all this checks: a
# 32-bit run says so and stops without failing; wine64 must run.
why=$(wine_arch_unrunnable "$arch")
if [ -n "$why" ]; then
  [ "$arch" = win32 ] || fail "$why"
  echo "wine-installer-test: SKIPPED: $why, so wine32 cannot start here"
  exit 0
fi

tmp=$(mktemp -d)
export WINEPREFIX="$tmp/prefix" WINEARCH=$arch WINEDEBUG=-all
# No display, and no offer to fetch the .NET and HTML engines.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

echo "wine: a fresh $arch prefix in $WINEPREFIX"
timeout 300 "$wine_loader" wineboot --init || fail "wineboot --init failed or took over 300 s"
timeout 120 wineserver -w || fail "wine did not settle after wineboot"

app="$WINEPREFIX/drive_c/DDC_Library"
sys="$WINEPREFIX/drive_c/windows/system32"
mkdir -p "$app"
cp "$shipped"/* "$app/"
cp "$build/tests/wine/DDCHelperX.dll" "$app/"
printf 'driver bytes\n' >"$app/DDCDrv.sys"

failures=0
check() { # description, then the command that must succeed
  local what=$1
  shift
  if "$@"; then
    echo "  ok    $what"
  else
    echo "  FAIL  $what"
    failures=$((failures + 1))
  fi
}
holds() { [ -f "$1" ] && [ "$(od -An -c "$1")" = "$(printf '%b' "$2" | od -An -c)" ]; }
absent() { [ ! -e "$1" ]; }

# Runs the installer in folder $from (default: the shipped folder's copy)
# with the given arguments and waits for what it started (regsvr32 runs on
# its own) to end.
run_installer() {
  local from=${from:-$app} rc=0
  rm -f "$app/DDCDrv.state" "$sys/DDCDrv.state"
  echo "wine: ${from#"$WINEPREFIX/"}/$exe ${*:-(no arguments)}"
  (cd "$from" && timeout 120 "$wine_loader" "$exe" "$@") || rc=$?
  timeout 120 wineserver -w || true
  check "exit code 0 (got $rc)" [ "$rc" -eq 0 ]
}

run_installer
check "drivers\\DDCDrv.sys is the shipped one" cmp -s "$app/DDCDrv.sys" "$sys/drivers/DDCDrv.sys"
check "system32\\DDCHelper.dll is the shipped one" cmp -s "$app/DDCHelper.dll" "$sys/DDCHelper.dll"
check "system32\\DDCHelperX.dll is the shipped one" cmp -s "$app/DDCHelperX.dll" "$sys/DDCHelperX.dll"
check "DDCDrv.state beside the installer says InstallDriver(null, 1)" \
  holds "$app/DDCDrv.state" 'InstallDriver(null, 1)\n'
check "the library in system32 was not the one loaded" absent "$sys/DDCDrv.state"
check "regsvr32 registered DDCHelperX.dll" holds "$sys/DDCHelperX.trace" 'register\n'

# Without a library beside it the installer loads the one in system32, which
# writes its trace beside itself.
mkdir -p "$WINEPREFIX/drive_c/alone"
cp "$app/$exe" "$WINEPREFIX/drive_c/alone/"
from="$WINEPREFIX/drive_c/alone" run_installer -u -fno -rno
check "DDCDrv.state beside system32\DDCHelper.dll says UninstallDriver()" \
  holds "$sys/DDCDrv.state" 'UninstallDriver()\n'

run_installer -u -fno
check "regsvr32 unregistered DDCHelperX.dll" holds "$sys/DDCHelperX.trace" 'register\nunregister\n'
check "DDCDrv.state says UninstallDriver()" holds "$app/DDCDrv.state" 'UninstallDriver()\n'
check "-fno: drivers\\DDCDrv.sys kept" cmp -s "$app/DDCDrv.sys" "$sys/drivers/DDCDrv.sys"
check "-fno: system32\\DDCHelper.dll kept" cmp -s "$app/DDCHelper.dll" "$sys/DDCHelper.dll"
check "-fno: system32\\DDCHelperX.dll kept" cmp -s "$app/DDCHelperX.dll" "$sys/DDCHelperX.dll"

run_installer -u -rno
check "-rno: regsvr32 not run" holds "$sys/DDCHelperX.trace" 'register\nunregister\n'
check "DDCDrv.state says UninstallDriver()" holds "$app/DDCDrv.state" 'UninstallDriver()\n'
check "drivers\\DDCDrv.sys removed" absent "$sys/drivers/DDCDrv.sys"
check "system32\\DDCHelper.dll removed" absent "$sys/DDCHelper.dll"
check "system32\\DDCHelperX.dll removed" absent "$sys/DDCHelperX.dll"
check "the shipped folder is untouched" cmp -s "$shipped/DDCHelper.dll" "$app/DDCHelper.dll"

[ "$failures" -eq 0 ] || fail "$failures check(s) failed"
echo "wine-installer-test: $arch: all checks passed"
