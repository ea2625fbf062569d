# Shared by the scripts that run tavolin.exe under wine beside the Linux
# program (tools/wine-program-test.sh, tools/wine-gpu-test.sh): the
# operator's steps, the wine prefix with the unpacked program, and the
# message lines that name the platform. Source it after tools/xsession.sh.
# shellcheck shell=bash

# The operator's steps on the main window $main; the package and the
# message file as the program's file dialogs take them.
operator_run() { # package-path messages-path
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool key alt+b
    answer_file_dialog "Select File" "$1"
    sleep 1
    window_named Error >/dev/null && fail "the file dialog answered with the Error popup"
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool key alt+r
    park_pointer
    wait_settled "detecting the displays again"
    xdotool key alt+s
    wait_settled "programming and verifying"
    xdotool key alt+a
    answer_file_dialog "Name of File to Save" "$2"
}

# The Linux program started on X (on the bench xs_bench names, when set)
# and through the same steps; its message box in $xs_work/linux-messages.txt.
linux_operator_run() { # package-path
    xs_start_x wm
    xs_start_tavolin
    park_pointer
    wait_settled "starting"
    operator_run "$1" "$xs_work/linux-messages.txt"
    saved_linux() { [ -s "$xs_work/linux-messages.txt" ]; }
    poll 50 saved_linux || fail "Save... of the Linux program wrote no file"
    click_close_box "$main"
    ended() { ! tavolin_alive; }
    poll 50 ended || fail "the close box did not end tavolin"
    wait "$tavolin_pid" || fail "tavolin ended with an error"
    tavolin_pid=""
}

# A fresh prefix at $WINEPREFIX (WINEARCH set by the caller) with the ZIP's
# program folder unpacked as C:\Tavolin and the package beside it as
# job.pkg; sets drive, prog and unpacked (the ZIP's folder, untouched),
# and ends wine with the script. wine_loader, when set, boots the prefix.
wine_unpack_program() { # zip package
    wine_cleanup() { timeout 30 wineserver -k 2>/dev/null || true; }
    trap 'wine_cleanup; xs_cleanup' EXIT
    timeout 300 ${wine_loader:+"$wine_loader"} wineboot --init >"$xs_work/wineboot.log" 2>&1 || fail "wineboot --init failed"
    timeout 120 wineserver -w || fail "wine did not settle after wineboot"
    drive=$WINEPREFIX/drive_c
    mkdir -p "$xs_work/unzipped"
    (cd "$xs_work/unzipped" && cmake -E tar xf "$1") || fail "could not unpack $1"
    prog=$(dirname "$(find "$xs_work/unzipped" -name tavolin.exe | head -n 1)")
    [ -f "$prog/tavolin.exe" ] || fail "the ZIP holds no tavolin.exe"
    unpacked=$prog
    cp -r "$prog" "$drive/Tavolin"
    prog=$drive/Tavolin
    cp "$2" "$prog/job.pkg"
}

# Lines that name the platform differ by design.
platform_free() { grep -v -e '^>OS Platform Information : ' -e '^>Warning ! Tavolin can only support' "$1" || true; }
