#!/usr/bin/env bash
# Runs the 64-bit tavolin.exe under wine64 on a graphics driver's I2C: the
# fake NVAPI, then the fake ADL library of tests/wine (two displays, one
# blank, one write-protected) in the program folder, over wine's own. With
# no bench description the program drives the outputs the driver reports;
# the operator's steps (tools/wine-common.sh) program and verify a real
# EDID of ../shared/data/edid, packaged by tavolin-pkg, on the blank one.
# The saved message box must equal the Linux program's on the same bench
# (a DDCBench.txt of a blank and a write-protected display) but for the
# lines that name the platform, and those that call its displays simulated.
# A third run on the fake NVAPI refusing writes must leave the remedy in
# the library's log. Leaves docs/wine-gpu.png (the NVAPI run).
#
# Usage: tools/wine-gpu-test.sh [build-dir] [windows-build-dir]
#        (default: build/ and build-win64/ of this tree; the first built, the
#        second configured and built here with its ZIP and the fakes)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
win=$(realpath -m "${2:-$root/build-win64}")
xs_name=wine-gpu

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
# shellcheck source=tools/wine-common.sh
. "$root/tools/wine-common.sh"
xs_need Xvfb openbox xdotool xwd xwininfo xprop convert cmp wineboot wineserver
# shellcheck source=tools/wine-arch.sh
. "$root/tools/wine-arch.sh"
wine_arch_set win64
why=$(wine_arch_unrunnable win64)
[ -z "$why" ] || fail "the 64-bit tavolin.exe cannot run: $why"
[ -x "$build/tavolin-pkg" ] || fail "no tavolin-pkg in '$build'"

cmake -S "$root" -B "$win" -G Ninja --no-warn-unused-cli -DTAVOLIN_TESTS=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null || fail "configuring $win failed"
cmake --build "$win" --target package fake_nvapi fake_adl >"$xs_work/package.log" 2>&1 ||
    fail "building the Windows ZIP and the fakes failed: $(tail -n 5 "$xs_work/package.log")"
zip=$(ls -t "$win"/tavolin-*.zip 2>/dev/null | head -n 1)
[ -n "$zip" ] || fail "no tavolin-*.zip in '$win'"

image=$(xs_corpus_edids 1)
[ -n "$image" ] || { echo "wine-gpu-test: SKIPPED: no EDID data set in ../shared/data/edid"; exit 0; }
package=$xs_work/job.pkg
"$build/tavolin-pkg" build -o "$package" --type HDMI --text-a Sample --text-b Tools \
    --port "HDMI1=$image" >/dev/null || fail "tavolin-pkg refused $image"
say "packaged $(basename "$image") as $package"

# --- the Linux program on the bench the fakes stand for ----------------
printf '[output]\nedid = blank\n\n[output]\nedid = blank\nwrite_protect = yes\n' >"$xs_work/DDCBench.txt"
xs_bench=$xs_work/DDCBench.txt
linux_operator_run "$package"
say "the Linux program: $(wc -l <"$xs_work/linux-messages.txt") lines saved"

# --- tavolin.exe under wine64 on each fake driver -------------------------
export WINEPREFIX="$xs_work/prefix" WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml=" wine_unpack_program "$zip" "$package"
visible_windows() { xdotool search --onlyvisible --classname tavolin.exe 2>/dev/null || true; }
saved_wine() { [ -s "$prog/messages.txt" ]; }
# The Linux program says its displays are simulated; the fakes are not, to it.
bench_free() { platform_free "$1" | grep -v -e '^> - Simulated displays (' -e '^>   nothing is read from or written to a real display' || true; }
# The operator's steps on tavolin.exe with the fake in a fresh program folder.
run_on() { # fake [variable=value...]
    local fake=$1
    shift
    rm -rf "$prog" && cp -r "$unpacked" "$prog" && cp "$package" "$prog/job.pkg"
    cp "$win/tests/wine/$fake.dll" "$prog/"
    (cd "$prog" && exec env -u DDCHELPER_BENCH WINEDLLOVERRIDES="mscoree,mshtml=;$fake=n" "$@" \
        "$wine_loader" tavolin.exe) >"$xs_work/tavolin.log" 2>&1 &
    tavolin_pid=$!
    poll 150 xs_main_shown || fail "tavolin.exe ($fake) showed no main window within 30 s"
    main=$(main_window)
    park_pointer
    wait_settled "starting tavolin.exe on $fake"
    operator_run 'C:\Tavolin\job.pkg' 'C:\Tavolin\messages.txt'
    poll 50 saved_wine || fail "Save... of tavolin.exe ($fake) wrote no file"
    [ $# -gt 0 ] || [ "$fake" != nvapi64 ] || grab_framed "$main" "$root/docs/wine-gpu.png"
    click_close_box "$main"
    poll 100 ended || fail "the close box did not end tavolin.exe ($fake)"
    wait "$tavolin_pid" || fail "tavolin.exe ($fake) ended with an error"
    tavolin_pid=""
}
for fake in nvapi64 atiadlxx; do
    run_on "$fake"
    if ! cmp -s <(bench_free "$xs_work/linux-messages.txt") <(bench_free "$prog/messages.txt"); then
        diff <(bench_free "$xs_work/linux-messages.txt") <(bench_free "$prog/messages.txt") >&2 || true
        fail "tavolin.exe's saved messages on $fake differ from the Linux program's"
    fi
    say "$fake: the saved message box equals the Linux program's but for the platform and" \
        "simulated-display lines ($(wc -l <"$prog/messages.txt") lines)"
done
# A driver that refuses writes to the memory: the library's log gives the remedy.
run_on nvapi64 FAKE_NVAPI_REFUSE_WRITES=1
remedy="the graphics driver refuses writes to the display's memory at 0xA0: use a USB-I2C bridge"
grep -q "$remedy" "$prog/WINI2C-DDC-LOG.txt" || fail "no line '$remedy' in the library log"
say "a driver that refuses writes: the library log gives the remedy"
say "all checks passed"
