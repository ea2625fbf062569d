# Shared by the scripts that run tavolin under their own Xvfb and drive it
# with xdotool as an operator would. Source it, then call xs_start_x and
# xs_start_tavolin. Needs: root (this tree), build (a built tree), fail()
# (or xs_name).
# shellcheck shell=bash

# With xs_name set, the script's fail (which leaves a picture of the screen
# in $TMPDIR) and say come from here.
if [ -n "${xs_name:-}" ]; then
    fail() {
        echo "$xs_name: $*" >&2
        if [ -n "${DISPLAY:-}" ] && [ -n "${xs_work:-}" ]; then
            xwd -silent -root 2>/dev/null | convert xwd:- "png:${TMPDIR:-/tmp}/$xs_name-failed.png" 2>/dev/null &&
                echo "$xs_name: the screen at the failure: ${TMPDIR:-/tmp}/$xs_name-failed.png" >&2
        fi
        exit 1
    }
    say() { echo "$xs_name: $*"; }
fi

xs_work=$(mktemp -d "${TMPDIR:-/tmp}/tavolin-x.XXXXXX")
xs_xvfb_pid=""
xs_wm_pid=""
tavolin_pid=""
xs_cleanup() {
    if [ -n "$tavolin_pid" ]; then kill "$tavolin_pid" 2>/dev/null || true; fi
    if [ -n "$xs_wm_pid" ]; then kill "$xs_wm_pid" 2>/dev/null || true; fi
    if [ -n "$xs_xvfb_pid" ]; then kill "$xs_xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$xs_work"
}
trap xs_cleanup EXIT

xs_need() { # tool...
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is missing (run tools/install-deps.sh)"
    done
    [ -x "$build/tavolin" ] || fail "no tavolin in '$build' (build it first, or pass the build folder)"
    local f
    for f in Pavimo.uir libDDCHelper.so libAssistDll.so libPlatformClock.so; do
        [ -f "$build/$f" ] || fail "'$build' lacks $f beside tavolin"
    done
}

# poll <tries> <command...>: runs the command every 0.2 s until it succeeds;
# returns 1 when the tries are used up.
poll() {
    local tries=$1
    shift
    while [ "$tries" -gt 0 ]; do
        "$@" && return 0
        tries=$((tries - 1))
        sleep 0.2
    done
    return 1
}

# X server of our own (-displayfd picks a free display number), of the size
# XS_SCREEN (default 1280x1024); with "wm", openbox manages the windows as on
# a desktop.
xs_start_x() { # [wm]
    Xvfb -displayfd 3 -screen 0 "${XS_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$xs_work/display" 2>"$xs_work/xvfb.log" &
    xs_xvfb_pid=$!
    xs_display_known() { [ -s "$xs_work/display" ]; }
    poll 50 xs_display_known || fail "Xvfb did not start: $(tail -n 3 "$xs_work/xvfb.log")"
    DISPLAY=":$(tr -d '[:space:]' <"$xs_work/display")"
    export DISPLAY
    if [ "${1:-}" = wm ]; then
        openbox --sm-disable >"$xs_work/openbox.log" 2>&1 &
        xs_wm_pid=$!
        xs_wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
        poll 50 xs_wm_up || fail "openbox did not start: $(tail -n 3 "$xs_work/openbox.log")"
    fi
}

# tavolin from a fresh scratch program folder, so its settings and log
# files never land in the build folder; it starts with factory settings and
# the files given (a Station.ini, say) beside it.
xs_start_tavolin() { # [file...]
    prog=$xs_work/program
    rm -rf "$prog"
    mkdir -p "$prog" "$xs_work/runtime"
    chmod 700 "$xs_work/runtime"
    cp "$build/tavolin" "$build/Pavimo.uir" "$build"/*.so "$prog/"
    [ $# -eq 0 ] || cp "$@" "$prog/"
    [ ! -f "$build/tavolin.svg" ] || cp "$build/tavolin.svg" "$prog/"
    xs_restart_tavolin
}

# The operator scripts run on simulated displays, which the program starts
# only when asked: the built-in bench, whatever displays the machine has.
xs_bench=${xs_bench:-builtin}

# tavolin again from the program folder as the last run left it (its
# DefSetting.ini, logs and saved EDIDs kept).
xs_restart_tavolin() {
    [ -x "$prog/tavolin" ] || fail "no program folder to restart in (xs_start_tavolin first)"
    (cd "$prog" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$xs_work/runtime" \
        DDCHELPER_BENCH="$xs_bench" ./tavolin) \
        >"$xs_work/tavolin.log" 2>&1 &
    tavolin_pid=$!
    poll 100 xs_main_shown || fail "the main panel did not appear within 20 s"
    main=$(main_window)
}

tavolin_alive() { kill -0 "$tavolin_pid" 2>/dev/null; }

# The three panels are windows of their own; the other two are known by
# their titles (Pavimo.uir), the main panel is the remaining visible one.
visible_windows() {
    xdotool search --onlyvisible --pid "$tavolin_pid" 2>/dev/null || true
}
window_named() { # title
    local w
    for w in $(visible_windows); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    return 1
}
# The progress window's caption says after "Progress - " what a close of it
# dropped.
progress_window() {
    local w
    for w in $(visible_windows); do
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        Progress | "Progress - "*) echo "$w" && return 0 ;;
        esac
    done
    return 1
}
main_window() {
    local w name
    for w in $(visible_windows); do
        name=$(xdotool getwindowname "$w" 2>/dev/null) || continue
        case "$name" in
        Progress | "Progress - "* | "Advanced mode") ;;
        *) echo "$w" && return 0 ;;
        esac
    done
    return 1
}
xs_main_shown() {
    tavolin_alive || fail "tavolin ended early: $(tail -n 5 "$xs_work/tavolin.log")"
    main_window >/dev/null
}
progress_shown() { progress_window >/dev/null; }
progress_gone() { ! progress_shown; }

# Centre of a widget of Pavimo.uir relative to its panel, group boxes it
# sits in included; with "box", the middle of its left end instead, where a
# checkbox draws its box.
widget_centre() { # widget-name [box]
    awk -v name="$1" -v box="${2:-}" '
        /<widget / {
            depth++; want[depth] = index($0, "name=\"" name "\"") > 0; seen[depth] = 0; gx[depth] = 0; gy[depth] = 0
        }
        /<\/widget>/ { if (depth > 2) { ox -= gx[depth]; oy -= gy[depth] } depth--; next }
        /<rect>/ { inrect = 1 }
        inrect && /<x>/      { gsub(/[^0-9]/, ""); rx = $0 }
        inrect && /<y>/      { gsub(/[^0-9]/, ""); ry = $0 }
        inrect && /<width>/  { gsub(/[^0-9]/, ""); rw = $0 }
        inrect && /<height>/ { gsub(/[^0-9]/, ""); rh = $0 }
        /<\/rect>/ {
            inrect = 0
            if (seen[depth]) next
            seen[depth] = 1
            if (want[depth]) { print int(ox + rx + (box ? 8 : rw / 2)), int(oy + ry + rh / 2); exit }
            # a container below the panel moves what it holds
            if (depth > 2) { gx[depth] = rx; gy[depth] = ry; ox += rx; oy += ry }
        }
    ' "$prog/Pavimo.uir"
}

# The real EDIDs of ../shared/data/edid of 256 bytes whose checksums are all
# right (the first count of them, when given), a path a line; nothing where
# the data set is absent.
xs_corpus_edids() { # [count]
    local dir=$root/../shared/data/edid
    [ -f "$dir/MANIFEST.tsv" ] || return 0
    awk -F'\t' -v dir="$dir" -v most="${1:-0}" '
        NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
        $col["bytes"] == 256 && $col["ext_count_byte126"] == 1 && $col["all_checksums_ok"] == 1 {
            print dir "/" $col["file"]; if (most && ++n >= most) exit }' "$dir/MANIFEST.tsv"
}

park_pointer() { xdotool mousemove 1279 1023; }

click_at() { # window x y
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

click_widget() { # window widget-name [box]
    local xy
    xy=$(widget_centre "$2" "${3:-}")
    [ -n "$xy" ] || fail "no widget '$2' in Pavimo.uir"
    # shellcheck disable=SC2086
    click_at "$1" $xy
}

click_checkbox() { click_widget "$1" "$2" box; } # window widget-name

# Whether a checkbox shows its tick in a picture of its panel (grab): the
# tick is the only dark ink inside the box; the focus only colours its edge.
box_ticked() { # picture widget-name
    local x y dark
    read -r x y <<<"$(widget_centre "$2" box)"
    [ -n "$y" ] || fail "no widget '$2' in Pavimo.uir"
    dark=$(convert "$1" -crop "11x11+$((x - 6))+$((y - 5))" +repage -colorspace gray \
        -threshold 60% -format '%[fx:int(w * h * (1 - mean) + 0.5)]' info:) ||
        fail "could not read the box of $2 in $1"
    [ "$dark" -ge 4 ]
}

# Checks a picture of the main panel against the boxes that should be
# ticked; every other box named must be clear.
expect_ticks() { # picture "ticked widgets" "clear widgets"
    local w
    for w in $2; do box_ticked "$1" "$w" || fail "$w shows no tick"; done
    for w in $3; do ! box_ticked "$1" "$w" || fail "$w shows a tick"; done
}

# Waits for the file dialog of that title, types the path into its name
# field, presses Enter and waits for the dialog to close.
# A wine dialog is ready for the keyboard once it is painted (more than a
# few colours: wine maps its file dialogs black first, for seconds under
# load) and unchanged for 0.2 s.
dialog_painted() { # window id
    local now
    now=$(xwd -silent -id "$1" 2>/dev/null | convert xwd:- -format '%k %#' info: 2>/dev/null) || return 1
    if [ "${now%% *}" -gt 4 ] && [ "$now" = "${xs_dialog_last:-}" ]; then
        return 0
    fi
    xs_dialog_last=$now
    return 1
}
answer_file_dialog() { # title path
    local id
    dialog_up() { window_named "$1" >/dev/null; }
    poll 50 dialog_up "$1" || fail "no file dialog '$1' opened"
    id=$(window_named "$1") || fail "the file dialog '$1' closed by itself"
    xs_dialog_last=""
    # Only wine's: Qt's dialogs capture black under Xvfb however ready they are.
    if xprop -id "$id" WM_CLASS 2>/dev/null | grep -q '\.exe"'; then
        poll 100 dialog_painted "$id" || fail "the file dialog '$1' was not painted within 20 s"
    fi
    dialog_gone() { ! dialog_up "$1"; }
    # The name field takes the focus once the dialog is mapped; on a loaded
    # machine the keys may come before it has, so they are typed again.
    local try
    for try in 1 2 3; do
        xdotool windowactivate --sync "$id" 2>/dev/null || true
        sleep 0.5
        xdotool key ctrl+a
        xdotool type --delay 10 "$2"
        xdotool key Return
        ! poll 50 dialog_gone "$1" || return 0
        dialog_up "$1" || return 0
    done
    fail "the file dialog '$1' did not close on Enter"
}

# Waits until no other panel is up and the main window has not changed
# for 2 s (start-up runs three commands first).
# XS_SETTLE_MASK ("x0,y0 x1,y1" in the main window) leaves a part out, say
# a text field whose cursor blinks while it holds the keyboard.
window_hash() {
    if [ -n "${XS_SETTLE_MASK:-}" ]; then
        xwd -silent -id "$main" 2>/dev/null |
            convert xwd:- -fill black -draw "rectangle $XS_SETTLE_MASK" rgb:- 2>/dev/null | md5sum || true
    else
        xwd -silent -id "$main" 2>/dev/null | md5sum || true
    fi
}
wait_settled() { # what
    local last="" same=0 tries=150 now
    while [ "$tries" -gt 0 ]; do
        tavolin_alive || fail "tavolin ended while $1: $(tail -n 5 "$xs_work/tavolin.log")"
        now=$(window_hash)
        if [ "$now" = "$last" ] && ! progress_shown && ! window_named "Advanced mode" >/dev/null; then
            same=$((same + 1))
            [ "$same" -ge 10 ] && return 0
        else
            same=0
        fi
        last=$now
        tries=$((tries - 1))
        sleep 0.2
    done
    fail "the main panel kept changing while $1 (30 s)"
}

grab() { # window file
    mkdir -p "$(dirname "$2")"
    # no time stamps in the file: the same picture gives the same bytes
    xwd -silent -id "$1" | convert xwd:- -strip -define png:exclude-chunks=date,time "png:$2.tmp" ||
        fail "could not grab window $1"
    mv "$2.tmp" "$2"
}

# A window with the window manager's frame around it (its title bar). The
# frame is taken apart from the window: a window of another depth than its
# frame's comes out black in a picture of the frame.
grab_framed() { # window file
    local frame left top
    frame=$(xwininfo -id "$1" -tree | awk '/Parent window id:/ { print $4 }')
    read -r left _ top _ <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,/ /g')"
    [ -n "$frame" ] && [ -n "$top" ] || fail "window $1 has no frame (no window manager?)"
    grab "$1" "$xs_work/client.png"
    xwd -silent -id "$frame" | convert xwd:- "$xs_work/client.png" -geometry "+$left+$top" \
        -composite -strip -define png:exclude-chunks=date,time "png:$2" ||
        fail "could not grab the frame of window $1"
}

# The whole screen, window manager frames included.
grab_screen() { # file
    mkdir -p "$(dirname "$1")"
    xwd -silent -root | convert xwd:- -strip -define png:exclude-chunks=date,time "png:$1" ||
        fail "could not grab the screen"
}

height_is() { # pixels
    [ "$(xdotool getwindowgeometry "$main" | awk '/Geometry:/ { split($2, g, "x"); print g[2] }')" = "$1" ]
}

enter_advanced_mode() {
    click_widget "$main" advancedBtn
    password_shown() { window_named "Advanced mode" >/dev/null; }
    poll 50 password_shown || fail "Advanced... did not open the access code panel"
    local password
    password=$(window_named "Advanced mode")
    click_widget "$password" passwordString
    xdotool type --delay 20 QuorvelAdminKey
    xdotool key Return
    password_gone() { ! password_shown; }
    poll 50 password_gone || fail "the access code panel did not close on Enter"
    grown() { height_is 695; }
    poll 50 grown || fail "the access code did not open the advanced mode (panel not 695 high)"
}

# Absolute position of a window's client area, "x y".
client_origin() { # window
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }'
}

# The close box of a window under openbox: the right end of its title bar.
click_close_box() { # window
    local x y w extents top
    read -r x y <<<"$(client_origin "$1")"
    w=$(xwininfo -id "$1" | awk '/Width:/ { print $NF }')
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //')
    top=$(echo "$extents" | awk -F', *' '{ print $3 }')
    [ -n "$top" ] && [ "$top" -gt 0 ] || fail "window $1 has no title bar (no window manager?)"
    xdotool mousemove "$((x + w - 10))" "$((y - top / 2))" click 1
}
