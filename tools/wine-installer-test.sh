#!/usr/bin/env bash
# Builds the Windows tree (DDCHelper.dll, installer.exe and the test
# component DDCHelperX.dll) and runs the installer under wine in a throwaway
# 32-bit prefix: install, uninstall without deleting the files, uninstall
# without unregistering. Prints every check; exits 1 when one fails.
# Usage: tools/wine-installer-test.sh [build-dir]   (default: build-win)
# Needs tools/install-deps.sh --windows.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win}

fail() {
  echo "wine-installer-test: $*" >&2
  exit 1
}
cmake -S . -B "$build" -G Ninja --no-warn-unused-cli \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null || fail "configuring $build failed"
cmake --build "$build" || fail "building $build failed"
shipped="$build/DDC_Library/32Bit"

# wine32 is an i386 program: a kernel that runs none (32-bit emulation
# switched off, as on some virtual machines) cannot start it at all. Then
# the run cannot happen here: the build above is all it checks, and it
# says so and stops without failing.
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  probe=$( { /usr/lib/wine/wine --version; } 2>&1 || true)
  case "$probe" in
  *"Exec format error"*)
    echo "wine-installer-test: SKIPPED: this kernel runs no 32-bit x86 program" \
      "(/usr/lib/wine/wine: Exec format error), so wine32 cannot start here"
    exit 0
    ;;
  esac
fi

tmp=$(mktemp -d)
export WINEPREFIX="$tmp/prefix" WINEARCH=win32 WINEDEBUG=-all
# No display, and no offer to fetch the .NET and HTML engines.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

echo "wine: a fresh win32 prefix in $WINEPREFIX"
timeout 300 wineboot --init || fail "wineboot --init failed or took over 300 s"
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

# Runs installer.exe in folder $from (default: the shipped folder's copy)
# with the given arguments and waits for what it started (regsvr32 runs on
# its own) to end.
run_installer() {
  local from=${from:-$app} rc=0
  rm -f "$app/DDCDrv.state" "$sys/DDCDrv.state"
  echo "wine: ${from#"$WINEPREFIX/"}/installer.exe ${*:-(no arguments)}"
  (cd "$from" && timeout 120 wine installer.exe "$@") || rc=$?
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
cp "$app/installer.exe" "$WINEPREFIX/drive_c/alone/"
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
echo "wine-installer-test: all checks passed"
