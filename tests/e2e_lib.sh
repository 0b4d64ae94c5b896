# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The shared harness of the end-to-end scripts, sourced by each: a private X server that picks
# its own free display, a window manager waited for until it offers its workspaces, the program
# started in a temporary config home and runtime folder, and helpers to find its windows.
#
#   source "$(dirname "$0")/e2e_lib.sh"
#   e2e_init "$1"                      # MARROWQUILL, WORK (with config/ and runtime/), cleanup
#   e2e_settings <<CONF ... CONF       # the settings file the program starts with
#   e2e_start_x [WIDTHxHEIGHT]         # Xvfb on a display it chose itself; exports DISPLAY
#   e2e_start_wm openbox               # or xfwm4, mutter: waits until it manages workspaces
#   e2e_start_xwayland                 # or both at once: mutter on Wayland, through XWayland
#   e2e_start_app [ARGS...]            # the program in the background: $app, $main; its
#                                      # standard error also goes to $WORK/app.log
#
# A script registers its own clean-up with e2e_on_exit; every process the harness started is
# ended when the script exits.

e2e_cleanups=()
e2e_on_exit() { e2e_cleanups+=("$*"); }
e2e_exit() {
    local status=$? i
    set +e
    for ((i = ${#e2e_cleanups[@]} - 1; i >= 0; i--)); do eval "${e2e_cleanups[i]}"; done
    exit "$status"
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIP: $*"
    exit 77
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# wait_for TRIES COMMAND...: runs COMMAND every 0.1 s until it succeeds, at most TRIES times.
wait_for() {
    local tries=$1 _
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# e2e_init BINARY: the program to test and a fresh work folder, removed at exit.
e2e_init() {
    MARROWQUILL=$(realpath "$1")
    WORK=$(mktemp -d)
    export MARROWQUILL WORK
    mkdir -p "$WORK/config/Marrowquill" "$WORK/runtime"
    chmod 700 "$WORK/runtime"
    trap e2e_exit EXIT
    e2e_on_exit 'rm -rf "$WORK"'
}

# e2e_need_fuse PROGRAM: the project's FUSE test filesystem (tests/support/hanging_fs.cpp) as
# HANGING_FS, or a skip that says why it cannot be used here.
e2e_need_fuse() {
    HANGING_FS=${1:-}
    [ -c /dev/fuse ] || skip "no /dev/fuse on this machine"
    [ -x "$HANGING_FS" ] || skip "the FUSE test filesystem was not built (libfuse3 missing)"
    command -v fusermount3 >/dev/null || skip "fusermount3 is missing (package fuse3)"
}

# e2e_mount_fuse MOUNTPOINT ARGUMENTS...: the test filesystem started with ARGUMENTS (which name
# MOUNTPOINT), waited for, and unmounted at exit. A script whose filesystem waits for a release
# file registers the release after this, so that it comes before the unmount.
# Read from the mount table: a look at the mount point itself may hang.
e2e_mounted() { cut -d ' ' -f 2 /proc/self/mounts | grep -qxF "$1"; }
e2e_mount_fuse() {
    local mountpoint=$1
    shift
    mkdir -p "$mountpoint"
    "$HANGING_FS" "$@" >>"$WORK/fuse.log" 2>&1 &
    local pid=$!
    e2e_on_exit "fusermount3 -uz '$mountpoint' 2>/dev/null; kill $pid 2>/dev/null; wait $pid 2>/dev/null"
    wait_for 100 e2e_mounted "$mountpoint" || skip "the FUSE filesystem could not be mounted here"
}

e2e_conf() { echo "$WORK/config/Marrowquill/Marrowquill.conf"; }

# e2e_settings: the settings file the program starts with, from standard input.
e2e_settings() { cat >"$(e2e_conf)"; }

# e2e_start_x [SIZE]: an Xvfb that chooses a free display number itself (-displayfd), so that
# other X servers on a busy machine never collide with it.
e2e_start_x() {
    local size=${1:-1024x768} fifo="$WORK/displayfd"
    for tool in Xvfb xdotool xprop xwininfo; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    mkfifo "$fifo"
    # -noreset: an X server resets when its last client goes, and refuses the clients that
    # connect meanwhile; until the window manager holds a connection, every check is the last.
    Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset 9>"$fifo" 2>"$WORK/xvfb.log" &
    E2E_XVFB=$!
    e2e_on_exit 'kill "$E2E_XVFB" 2>/dev/null; wait "$E2E_XVFB" 2>/dev/null'
    local number
    read -r -t 30 number <"$fifo" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    export DISPLAY=":$number"
    SCREEN_WIDTH=${size%x*} SCREEN_HEIGHT=${size#*x}
    wait_for 100 xprop -root >/dev/null 2>&1 || fail "the X server on $DISPLAY does not answer"
}

# e2e_session_bus: a private session D-Bus for this script's processes (mutter and xfwm4 need
# one).
e2e_session_bus() {
    command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$WORK/bus" 2>/dev/null &
    E2E_BUS=$!
    e2e_on_exit 'kill "$E2E_BUS" 2>/dev/null; wait "$E2E_BUS" 2>/dev/null'
    wait_for 300 test -s "$WORK/bus" || fail "the session bus did not start"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$WORK/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# e2e_start_xwayland: instead of e2e_start_x and e2e_start_wm, mutter as a headless Wayland
# compositor with its X server, XWayland, as GNOME runs X11 programs; exports DISPLAY and
# XAUTHORITY, and waits until it manages workspaces (which it lets no X client switch).
e2e_start_xwayland() {
    for tool in mutter Xwayland xdotool xprop xwininfo; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    e2e_session_bus
    XDG_RUNTIME_DIR="$WORK/runtime" mutter --wayland --headless --virtual-monitor 1024x768 \
        --wayland-display=wayland-e2e --sm-disable >"$WORK/wm.log" 2>&1 &
    E2E_WM=$!
    e2e_on_exit 'kill "$E2E_WM" 2>/dev/null; wait "$E2E_WM" 2>/dev/null'
    wait_for 600 xwayland_started || fail "mutter started no XWayland: $(tail -n 5 "$WORK/wm.log")"
    local args
    args=$(tr '\0' ' ' </proc/"$(pgrep -P "$E2E_WM" Xwayland)"/cmdline)
    DISPLAY=$(grep -o ' :[0-9]*' <<<"$args" | tr -d ' ')
    XAUTHORITY=$(grep -o -- '-auth [^ ]*' <<<"$args" | cut -d ' ' -f 2)
    export DISPLAY XAUTHORITY WAYLAND_DISPLAY=wayland-e2e
    SCREEN_WIDTH=1024 SCREEN_HEIGHT=768
    wait_for 600 wm_has_desktops || fail "mutter offers XWayland no workspaces"
}
xwayland_started() { pgrep -P "$E2E_WM" Xwayland >/dev/null; }

desktops() { xprop -root _NET_NUMBER_OF_DESKTOPS 2>/dev/null | grep -o '[0-9]*$'; }
current_desktop() { xprop -root _NET_CURRENT_DESKTOP 2>/dev/null | grep -o '[0-9]*$'; }

# e2e_start_wm NAME: a window manager on the X server, waited for until it has taken the screen
# and offers at least two workspaces. A window manager is slow to start on a loaded machine:
# the wait is long, and it ends as soon as the manager is ready.
e2e_start_wm() {
    local wm=$1
    command -v "$wm" >/dev/null ||
        skip "$wm is not installed (scripts/setup.sh --test installs it where the release has it)"
    case "$wm" in
    openbox) openbox --sm-disable >"$WORK/wm.log" 2>&1 & ;;
    xfwm4) # its settings, the workspaces among them, come from xfconfd over the session bus
        e2e_session_bus
        xfwm4 --compositor=off --sm-client-disable >"$WORK/wm.log" 2>&1 &
        ;;
    mutter)
        e2e_session_bus
        mutter --x11 --replace --sm-disable >"$WORK/wm.log" 2>&1 &
        ;;
    muffin) # told its session is X11: a muffin from 6.0 on will not guess it outside a login
        e2e_session_bus
        muffin --x11 --replace >"$WORK/wm.log" 2>&1 &
        ;;
    *) "$wm" >"$WORK/wm.log" 2>&1 & ;;
    esac
    E2E_WM=$!
    e2e_on_exit 'kill "$E2E_WM" 2>/dev/null; wait "$E2E_WM" 2>/dev/null'
    wait_for 600 wm_has_desktops || fail "$wm offers no workspaces within 60 s" \
        "($wm $(e2e_alive "$E2E_WM"), Xvfb $(e2e_alive "$E2E_XVFB")): $(tail -n 5 "$WORK/wm.log")"
    wait_for 600 wm_has_two_desktops || fail "$wm keeps fewer than two workspaces"
}
e2e_alive() { kill -0 "$1" 2>/dev/null && echo running || echo gone; }
wm_has_desktops() {
    xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 && [ "$(desktops)" -ge 1 ] 2>/dev/null
}
wm_has_two_desktops() {
    [ "$(desktops)" -ge 2 ] 2>/dev/null && return
    xdotool set_num_desktops 2 2>/dev/null
    return 1
}

# The program's visible windows: the main window and, while one is open, its alert. By class
# too: mutter draws each frame in a window of its own (of class mutter-x11-frames) that carries
# the title of the window it frames.
windows() {
    local ours
    ours=$(xdotool search --onlyvisible --class '^Marrowquill$' 2>/dev/null) || return 0
    xdotool search --onlyvisible --name '^Marrowquill 1\.0$' 2>/dev/null | grep -Fx "$ours" || true
}
other_window() { windows | grep -vx "$main" | head -n 1 || true; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
cardinal() { xprop -id "$1" "$2" 2>/dev/null | grep -o '[0-9][0-9]*' | head -n 1; }

# check_centred: the main window's frame, by its _NET_FRAME_EXTENTS, comes centred on the
# screen within 10 s.
centred() {
    local e x y w h
    e=($(xprop -id "$main" _NET_FRAME_EXTENTS | grep -o '[0-9][0-9]*')) || return 1
    [ ${#e[@]} -eq 4 ] || return 1
    eval "$(xwininfo -id "$main" | awk '/Absolute upper-left X/ {print "x=" $4}
        /Absolute upper-left Y/ {print "y=" $4} /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
    off_x=$((2 * (x - e[0]) + w + e[0] + e[1] - SCREEN_WIDTH)) # twice the centre's offset
    off_y=$((2 * (y - e[2]) + h + e[2] + e[3] - SCREEN_HEIGHT))
    [ ${off_x#-} -le 4 ] && [ ${off_y#-} -le 4 ]
}
check_centred() {
    off_x=? off_y=?
    wait_for 100 centred || fail "the frame is not centred (twice its centre's offset: $off_x, $off_y;" \
        "$(xprop -id "$main" _NET_FRAME_EXTENTS))"
}

# e2e_run_app [ARGS...]: the program in the foreground, in the work folder's config home.
e2e_run_app() {
    XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb \
        "$MARROWQUILL" "$@"
}

# e2e_start_app [ARGS...]: the program in the background ($app) and its main window ($main).
e2e_start_app() {
    XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb \
        "$MARROWQUILL" "$@" 2> >(tee -a "$WORK/app.log" >&2) &
    app=$!
    e2e_on_exit 'kill -KILL "$app" 2>/dev/null'
    wait_for 600 bash -c '[ -n "$(xdotool search --onlyvisible --name "^Marrowquill 1\.0$")" ]' \
        2>/dev/null || fail "the window did not appear"
    main=$(windows | head -n 1)
}

# Clicks "Alert Sound", which sits near the bottom right of the window at the same place
# whatever the scale: its box begins 3465 twips from the left and 2730 from the top of a
# 4830 x 3090 twips client area.
click_alert_sound() {
    local WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(WIDTH|HEIGHT)=')"
    xdotool mousemove --window "$main" $((WIDTH * 3565 / 4830)) $((HEIGHT * 2895 / 3090)) click 1
}

# e2e_stop_app: SIGTERM, which saves the settings; the exit status must be 0.
e2e_stop_app() {
    local status=0
    kill -TERM "$app"
    wait "$app" || status=$?
    [ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
}
