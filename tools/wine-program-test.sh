#!/usr/bin/env bash
# Runs tavolin.exe under wine the way an operator does, and the Linux
# program the same way, on Xvfb with openbox and the keyboard through
# xdotool, then compares them:
#   1. the Windows ZIP is unpacked into a fresh wine prefix of its
#      architecture (C:\Tavolin,
#      a portable folder) beside a package built by tavolin-pkg from a real
#      EDID of ../shared/data/edid;
#   2. each program starts (the bus library's built-in bench, asked for by
#      DDCHELPER_BENCH=builtin, is detected),
#      Alt+B and the real file dialog pick the package, Alt+R detects the
#      displays again, Alt+S runs Program + Verify, Alt+A and the file dialog
#      save the message box, and the close box ends the program;
#   3. the two saved message boxes must be equal byte for byte but for the
#      lines that name the platform, display 1 must hold the image (a second
#      start of tavolin.exe saves what it detects), and DefSetting.ini must
#      have the Linux program's bytes but for the package's path;
#   4. tavolin-cli.exe programs the package onto the bench and reads display
#      1 back, with the exit codes and lines of the Linux tavolin-cli doing
#      the same.
# The 64-bit run leaves docs/wine-program.png (tavolin.exe under wine after
# the run). A 32-bit run skips with a line saying why where no 32-bit
# program can run; a 64-bit one fails there.
#
# Usage: tools/wine-program-test.sh [--arch win32|win64] [build-dir] [windows-build-dir]
#        (default: win32; build/ and build-win/ (win64: build-win64/) of this
#        tree; the first built, the second configured and built here with its
#        ZIP)
set -euo pipefail
arch=win32
if [ "${1:-}" = --arch ]; then
    arch=${2:-}
    shift 2 || true
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
xs_name=wine-program

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
# shellcheck source=tools/wine-common.sh
. "$root/tools/wine-common.sh"
# shellcheck source=tools/wine-arch.sh
. "$root/tools/wine-arch.sh"
wine_arch_set "$arch" || fail "--arch takes win32 or win64, not '$arch'"
win=$(realpath -m "${2:-$root/$wine_build}")
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert cmp wine wineboot wineserver
[ -x "$build/tavolin" ] && [ -x "$build/tavolin-pkg" ] || fail "no tavolin or tavolin-pkg in '$build'"

cmake -S "$root" -B "$win" -G Ninja --no-warn-unused-cli \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$wine_toolchain.cmake" >/dev/null || fail "configuring $win failed"
cmake --build "$win" --target package >"$xs_work/package.log" 2>&1 ||
    fail "building the Windows ZIP failed: $(tail -n 5 "$xs_work/package.log")"

why=$(wine_arch_unrunnable "$arch")
if [ -n "$why" ]; then
    [ "$arch" = win32 ] || fail "$why"
    echo "wine-program-test: SKIPPED: $why, so tavolin.exe cannot start here"
    exit 0
fi

zip=$(ls "$win"/tavolin-*-"$arch".zip 2>/dev/null | head -n 1)
[ -n "$zip" ] || fail "no tavolin-*-$arch.zip in '$win'"

image=$(xs_corpus_edids 1)
[ -n "$image" ] || { echo "wine-program-test: SKIPPED: no EDID data set in ../shared/data/edid"; exit 0; }
package=$xs_work/job.pkg
"$build/tavolin-pkg" build -o "$package" --type HDMI --text-a Sample --text-b Tools \
    --port "HDMI1=$image" >/dev/null || fail "tavolin-pkg refused $image"
say "packaged $(basename "$image") as $package"

# --- the Linux program --------------------------------------------------
linux_operator_run "$package"
cp "$prog/DefSetting.ini" "$xs_work/linux-DefSetting.ini"
say "the Linux program: $(wc -l <"$xs_work/linux-messages.txt") lines saved"

# --- tavolin.exe under wine ---------------------------------------------
export WINEPREFIX="$xs_work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_unpack_program "$zip" "$package"

# wine's windows are known by the class of the program's process.
visible_windows() { xdotool search --onlyvisible --classname tavolin.exe 2>/dev/null || true; }
start_wine_tavolin() {
    # The Windows program has no display bus yet: it runs on simulated
    # displays only when asked for them.
    (cd "$prog" && DDCHELPER_BENCH=builtin exec "$wine_loader" tavolin.exe) >"$xs_work/tavolin.log" 2>&1 &
    tavolin_pid=$!
    poll 150 xs_main_shown || fail "tavolin.exe showed no main window within 30 s"
    main=$(main_window)
}
start_wine_tavolin
park_pointer
wait_settled "starting tavolin.exe"
operator_run 'C:\Tavolin\job.pkg' 'C:\Tavolin\messages.txt'
saved_wine() { [ -s "$prog/messages.txt" ]; }
poll 50 saved_wine || fail "Save... of tavolin.exe wrote no file"
if [ "$arch" = win64 ]; then
    grab_framed "$main" "$root/docs/wine-program.png"
    say "wrote docs/wine-program.png"
fi
click_close_box "$main"
poll 100 ended || fail "the close box did not end tavolin.exe"
wait "$tavolin_pid" || fail "tavolin.exe ended with an error"
tavolin_pid=""

# --- what the two runs left ----------------------------------------------
if ! cmp -s <(platform_free "$xs_work/linux-messages.txt") <(platform_free "$prog/messages.txt"); then
    diff <(platform_free "$xs_work/linux-messages.txt") <(platform_free "$prog/messages.txt") >&2 || true
    fail "tavolin.exe's saved messages differ from the Linux program's"
fi
say "the saved message boxes are equal but for the platform lines ($(wc -l <"$prog/messages.txt") lines)"

path_free() { grep -av '^FilePath = ' "$1" || true; }
cmp -s <(path_free "$xs_work/linux-DefSetting.ini") <(path_free "$prog/DefSetting.ini") ||
    fail "tavolin.exe's DefSetting.ini differs from the Linux program's: $(od -c "$prog/DefSetting.ini" | head -n 5)"
grep -aq '^FilePath = C:\\Tavolin\\job.pkg'$'\r''$' "$prog/DefSetting.ini" ||
    fail "DefSetting.ini does not keep the package's path: $(grep -a FilePath "$prog/DefSetting.ini")"
say "DefSetting.ini has the Linux program's bytes but for the package's path"

mv "$prog/MonitorEDID" "$xs_work/MonitorEDID.before"
start_wine_tavolin
first_saved() { ls "$prog"/MonitorEDID/Monitor_1_*.bin >/dev/null 2>&1; }
poll 150 first_saved || fail "the second start saved no EDID of display 1"
sleep 0.5
cmp -s "$(ls "$prog"/MonitorEDID/Monitor_1_*.bin | head -n 1)" "$image" ||
    fail "display 1 does not hold the programmed image"
say "display 1 holds the programmed image"
click_close_box "$main"
poll 100 ended || fail "the close box did not end tavolin.exe the second time"
tavolin_pid=""
# --- tavolin-cli.exe beside the Linux tavolin-cli --------------------------
# Each in a folder of its own on the built-in bench: program the package,
# then read display 1 back. Exit codes and lines must agree but for the
# platform's and the saved file's path; Windows' console ends lines CR LF.
cli_lines() { tr -d '\r' <"$1" | grep -v -e '^>OS Platform Information : ' -e '^> - Path = ' || true; }
cli_compare() { # what linux-out windows-out
    cmp -s <(cli_lines "$2") <(cli_lines "$3") && return 0
    diff <(cli_lines "$2") <(cli_lines "$3") >&2 || true
    fail "tavolin-cli.exe $1 printed other lines than the Linux tavolin-cli"
}
mkdir "$xs_work/cli-linux" "$drive/cli"
run_cli_pair() { # what, then the command's arguments; files named relative to the folder
    local what=$1 rc_linux=0 rc_wine=0
    shift
    (cd "$xs_work/cli-linux" && DDCHELPER_BENCH=builtin exec "$build/tavolin-cli" "$@" \
        --folder "$xs_work/cli-linux") >"$xs_work/cli-linux.out" 2>"$xs_work/cli-linux.err" || rc_linux=$?
    (cd "$drive/cli" && DDCHELPER_BENCH=builtin exec timeout 120 "$wine_loader" \
        'C:\Tavolin\tavolin-cli.exe' "$@" --folder 'C:\cli') >"$xs_work/cli-wine.out" 2>"$xs_work/cli-wine.err" || rc_wine=$?
    [ "$rc_wine" -eq "$rc_linux" ] ||
        fail "tavolin-cli.exe $what ended with exit code $rc_wine, the Linux tavolin-cli with $rc_linux"
    cli_compare "$what" "$xs_work/cli-linux.out" "$xs_work/cli-wine.out"
    say "tavolin-cli.exe $what: exit code $rc_wine and $(wc -l <"$xs_work/cli-wine.out") lines as on Linux"
}
cp "$package" "$drive/cli/job.pkg"
cp "$package" "$xs_work/cli-linux/job.pkg"
run_cli_pair program program --package job.pkg --port HDMI1 --display 1
run_cli_pair read read --display 1 -o read.bin
cmp -s "$drive/cli/read.bin" "$image" || fail "tavolin-cli.exe read did not save the programmed image"
say "tavolin-cli.exe read saved the programmed image"
run_cli_pair "read of a display not there" read --display 7 -o none.bin
grep -q '^tavolin-cli: no display 7: 3 displays were found' <(tr -d '\r' <"$xs_work/cli-wine.err") ||
    fail "tavolin-cli.exe did not say why it read nothing: $(head -c 300 "$xs_work/cli-wine.err")"
say "$arch: all checks passed"
