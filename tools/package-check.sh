#!/usr/bin/env bash
# Checks the Debian package as a new user would meet it, without installing
# it on this machine:
#   1. builds it (cmake --build <build> --target package) and runs lintian on
#      it: any error or warning fails;
#   2. unpacks it with dpkg-deb -x into a temporary root and starts the
#      unpacked /usr/bin/tavolin there under Xvfb and openbox, with HOME and
#      the XDG folders in a temporary folder of its own;
#   3. waits for the start to detect the built-in bench, closes the main panel
#      with its close box and expects exit code 0;
#   4. checks one version in the package, the programs, the manual pages and
#      the changelog; the README compressed, its links to installed files;
#      the window's class and icon as the desktop entry names them;
#   5. expects the settings, the monitor EDID files and the library log (which
#      names the installed mode and the folder) in $XDG_DATA_HOME/tavolin;
#   6. runs the unpacked tavolin-cli's detect without a display server in the
#      same home: it must pass, find the bench's displays and leave the
#      settings as they were;
#   7. expects nothing new in the unpacked root nor anywhere else in the home.
# Takes about 20 s once the build folder is built.
#
# Usage: tools/package-check.sh [build-dir]    (default: build/ of this tree)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
xs_name=package-check

# shellcheck source=tools/xsession.sh
. "$root/tools/xsession.sh"
for tool in lintian dpkg-deb Xvfb openbox xdotool xwd xwininfo xprop; do
    command -v "$tool" >/dev/null || fail "$tool is missing (run tools/install-deps.sh and tools/install-deps.sh --package)"
done

say "building the package in $build"
cmake --build "$build" --target package >"$xs_work/package.log" 2>&1 ||
    fail "the package did not build: $(tail -n 5 "$xs_work/package.log")"
version=$(awk -F'"' '/^set\(CPACK_PACKAGE_VERSION /{print $2}' "$build/CPackConfig.cmake")
deb=$build/tavolin_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb after building the package"

# dpkg-shlibdeps warns of a library linked against one it does not use.
! grep -i 'dpkg-shlibdeps: warning' "$xs_work/package.log" >&2 ||
    fail "dpkg-shlibdeps warned while the package was built (above)"

say "lintian $(basename "$deb")"
lintian --fail-on error,warning "$deb" 2>&1 | grep -v '^running with root privileges' ||
    [ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian found errors or warnings (above)"

unpacked=$xs_work/root
dpkg-deb -x "$deb" "$unpacked"
for program in tavolin tavolin-pkg tavolin-cli; do
    [ -x "$unpacked/usr/bin/$program" ] || fail "the package has no /usr/bin/$program"
done

# One version everywhere: the package, the program, its tools, the manual
# pages and the changelog.
program_version=$("$unpacked/usr/bin/tavolin" --version) || fail "tavolin --version failed"
[ "$program_version" = "tavolin $version" ] || fail "the package is $version, tavolin --version says '$program_version'"
pkg_version=$("$unpacked/usr/bin/tavolin-pkg" --version) ||
    fail "tavolin-pkg --version failed"
[ "$pkg_version" = "tavolin-pkg $version" ] || fail "the package is $version, tavolin-pkg --version says '$pkg_version'"
cli_version=$("$unpacked/usr/bin/tavolin-cli" --version) ||
    fail "tavolin-cli --version failed"
[ "$cli_version" = "tavolin-cli $version" ] || fail "the package is $version, tavolin-cli --version says '$cli_version'"
for page in tavolin tavolin-pkg tavolin-cli; do
    [ -f "$unpacked/usr/share/man/man1/$page.1.gz" ] || fail "the package has no manual page $page(1)"
    zcat "$unpacked/usr/share/man/man1/$page.1.gz" | head -n 1 | grep -qF "\"Tavolin $version\"" ||
        fail "the manual page $page(1) names another version: $(zcat "$unpacked/usr/share/man/man1/$page.1.gz" | head -n 1)"
done
zcat "$unpacked/usr/share/doc/tavolin/changelog.gz" | head -n 1 | grep -qF "tavolin ($version)" ||
    fail "the changelog's last entry is not $version"
# Documents over 4 kB are compressed (Debian policy 12.3), and the README's
# links lead to installed files.
[ -f "$unpacked/usr/share/doc/tavolin/README.md.gz" ] || fail "no compressed README in /usr/share/doc/tavolin"
links=$(zcat "$unpacked/usr/share/doc/tavolin/README.md.gz" | grep -o '](\([^)#:]*\)' | sed 's/^](//' | sort -u)
for link in $links; do
    case "$link" in
    /*) target=$unpacked$link ;;
    *) target=$unpacked/usr/share/doc/tavolin/$link ;;
    esac
    [ -e "$target" ] || fail "the installed README links to $link, which is not installed"
done
wm_class=$(awk -F= '$1 == "StartupWMClass" { print $2 }' "$unpacked/usr/share/applications/tavolin.desktop")
[ -n "$wm_class" ] || fail "the desktop entry names no StartupWMClass"
(cd "$unpacked" && find . | sort) >"$xs_work/tree.before"

home=$xs_work/home
user_dir=$home/data/tavolin
mkdir -p "$home" "$xs_work/runtime"
chmod 700 "$xs_work/runtime"
# The check never drives this machine's own displays: the library runs its
# built-in bench whatever the machine has.
bench_env=(DDCHELPER_BENCH=builtin)

xs_start_x wm
say "starting the unpacked tavolin"
(cd "$xs_work" && exec env -u QT_QPA_PLATFORM -u TAVOLIN_PROGRAM_DIR "${bench_env[@]}" \
    HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_DIRS="$unpacked/usr/share:/usr/share" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$xs_work/runtime" \
    "$unpacked/usr/bin/tavolin") >"$xs_work/tavolin.log" 2>&1 &
tavolin_pid=$!
poll 100 xs_main_shown || fail "the main panel did not appear within 20 s"
main=$(main_window)
park_pointer
# The window as the desktop knows it: the entry's class, the icon the
# package installs in the icon theme.
xprop -id "$main" WM_CLASS | grep -qF ", \"$wm_class\"" ||
    fail "the window's class is not the desktop entry's $wm_class: $(xprop -id "$main" WM_CLASS)"
# The icon property may follow the window's first map by a moment.
has_icon() { xprop -id "$main" _NET_WM_ICON | grep -q 'Icon ('; }
poll 25 has_icon || fail "the main window has no icon"

# The start ends with the version lines, after the detection wrote its files.
monitors_saved() { [ -s "$user_dir/MonitorEDID/Monitor_1_TVL2701.bin" ] && [ -s "$user_dir/MonitorEDID/Monitor_2_TVL1301.bin" ]; }
poll 100 monitors_saved || fail "no monitor EDID files in $user_dir/MonitorEDID within 20 s: $(ls -R "$home" 2>&1)"
wait_settled "starting"

click_close_box "$main"
ended() { ! tavolin_alive; }
poll 50 ended || fail "the close box did not end tavolin"
status=0
wait "$tavolin_pid" || status=$?
tavolin_pid=""
[ "$status" -eq 0 ] || fail "tavolin ended with exit code $status: $(tail -n 5 "$xs_work/tavolin.log")"
# The one line it writes says that the displays are simulated.
simulated_line="tavolin: simulated displays (the built-in bench): nothing is read from or written to a real display"
[ "$(cat "$xs_work/tavolin.log")" = "$simulated_line" ] ||
    fail "tavolin wrote on standard error other than that the displays are simulated: $(head -n 5 "$xs_work/tavolin.log")"

# Everything in the user's folder, in one place.
[ -s "$user_dir/DefSetting.ini" ] || fail "no settings file $user_dir/DefSetting.ini"
log=$user_dir/WINI2C-DDC-LOG.txt
[ -s "$log" ] || fail "no library log $log"
folder_line=$(sed -n 2p "$log" | cut -c11-)
[ "$folder_line" = "folder: installed; the program's files in $user_dir/ (named by TAVOLIN_PROGRAM_DIR)" ] ||
    fail "the library log's first line names no installed folder: '$folder_line'"
grep -q "  bench: built-in bench of 4 outputs$" "$log" || fail "the library did not drive the built-in bench: $(head -n 8 "$log")"
grep -q "  InitDDCHelper() = 0x0$" "$log" || fail "the library did not start: $(head -n 8 "$log")"
[ "$(stat -c %s "$user_dir/MonitorEDID/Monitor_1_TVL2701.bin")" -eq 256 ] || fail "display 1's EDID file is not 256 bytes"
[ "$(stat -c %s "$user_dir/MonitorEDID/Monitor_2_TVL1301.bin")" -eq 128 ] || fail "display 2's EDID file is not 128 bytes"

# The command-line program needs no display server and finds its panels,
# libraries and folder as the window program does; it never saves the
# settings.
say "running the unpacked tavolin-cli detect"
cp "$user_dir/DefSetting.ini" "$xs_work/settings.before"
cli_status=0
(cd "$xs_work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u TAVOLIN_PROGRAM_DIR \
    "${bench_env[@]}" HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$xs_work/runtime" \
    "$unpacked/usr/bin/tavolin-cli" detect --json) >"$xs_work/cli.json" 2>"$xs_work/cli.log" || cli_status=$?
[ "$cli_status" -eq 0 ] || fail "tavolin-cli detect ended with exit code $cli_status: $(tail -n 5 "$xs_work/cli.log")"
for display in '"position": 1, "id": "TVL2701", "status": "Pass"' '"position": 2, "id": "TVL1301", "status": "Pass"'; do
    grep -qF "{$display}" "$xs_work/cli.json" || fail "tavolin-cli detect did not list {$display}: $(cat "$xs_work/cli.json")"
done
grep -qF '"simulated": true' "$xs_work/cli.json" || fail "tavolin-cli detect did not say the displays are simulated: $(head -n 12 "$xs_work/cli.json")"
grep -qF '>Detecting monitor ...' "$xs_work/cli.log" || fail "tavolin-cli wrote no message-box lines on standard error: $(head -n 5 "$xs_work/cli.log")"
cmp -s "$user_dir/DefSetting.ini" "$xs_work/settings.before" || fail "tavolin-cli changed $user_dir/DefSetting.ini"

# Nothing beside the executable or anywhere else in the unpacked root, and
# nothing of ours in the home outside the user's folder.
(cd "$unpacked" && find . | sort) >"$xs_work/tree.after"
diff "$xs_work/tree.before" "$xs_work/tree.after" >&2 || fail "tavolin wrote into the unpacked package (above)"
stray=$(cd "$home" && find . -type f ! -path './data/tavolin/*' ! -path './cache/*' ! -path './config/*' | head -n 5)
[ -z "$stray" ] || fail "files outside $user_dir: $stray"

say "passed: $(basename "$deb") is lintian clean; tavolin-cli detect ran without a display; the unpacked programs kept their files in \$XDG_DATA_HOME/tavolin ($(cd "$user_dir" && find . -type f | sort | tr '\n' ' '))"
