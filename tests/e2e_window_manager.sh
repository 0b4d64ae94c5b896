#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real window manager (openbox on Xvfb): its frame is centred; with
# its window on workspace 2 and the user on workspace 1, an alert comes on workspace 1, on top,
# demanding attention, and the next alert comes once it is dismissed; a second start brings the
# window to the user's workspace in front, from another workspace and from minimized.
set -euo pipefail
binary=$(realpath "$1")
command -v openbox >/dev/null || { echo "SKIP: openbox is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Marrowquill" "$work/a" "$work/b" "$work/runtime"
chmod 700 "$work/runtime"
cat >"$work/config/Marrowquill/Marrowquill.conf" <<CONF
[values]
check1_%200=" 1"
folder_%200=$work/a
check2_%200=" 1"
check1_%201=" 1"
folder_%201=$work/b
check2_%201=" 1"
CONF

export MARROWQUILL="$binary" WORK="$work"
xvfb-run -a -s "-screen 0 1024x768x24" bash <<'UNDER_X'
set -euo pipefail
fail() { echo "FAIL: $*" >&2; kill -KILL "${app:-0}" 2>/dev/null || true; exit 1; }
windows() { xdotool search --onlyvisible --name '^Marrowquill 1\.0$' 2>/dev/null || true; }
cardinal() { xprop -id "$1" "$2" 2>/dev/null | grep -o '[0-9][0-9]*' | tail -n +1 | head -n 1; }
viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
on_top() { # the last window of the stacking order that is viewable
    local top
    top=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | tail -n 1)
    [ $((top)) -eq $(($1)) ]
}
# The EWMH state, or the ICCCM urgency hint: a window manager drops the state from a window it
# gives the focus to, as EWMH lets it, but not the hint.
demands_attention() {
    xprop -id "$1" _NET_WM_STATE WM_HINTS |
        grep -qE '_NET_WM_STATE_DEMANDS_ATTENTION|urgency hint bit is set'
}
wait_for() { # tries command...
    local tries=$1; shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}
start() {
    XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb \
        exec "$MARROWQUILL" "$@"
}

openbox --sm-disable >/dev/null 2>&1 &
wait_for 50 xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null || fail "openbox did not start"
wait_for 50 bash -c '[ "$(xprop -root _NET_NUMBER_OF_DESKTOPS | grep -o "[0-9]*$")" -ge 2 ] 2>/dev/null' ||
    xdotool set_num_desktops 2

(start) &
app=$!
wait_for 100 bash -c "xdotool search --onlyvisible --name '^Marrowquill 1\.0$' >/dev/null" ||
    fail "the window did not appear"
main=$(windows | head -n 1)

# The frame, not the inner window, is centred.
centred() {
    local extents x y w h
    extents=($(xprop -id "$main" _NET_FRAME_EXTENTS | grep -o '[0-9][0-9]*'))
    [ ${#extents[@]} -eq 4 ] || return 1
    x=$(xwininfo -id "$main" | awk '/Absolute upper-left X/ {print $4}')
    y=$(xwininfo -id "$main" | awk '/Absolute upper-left Y/ {print $4}')
    w=$(xwininfo -id "$main" | awk '/Width:/ {print $2}')
    h=$(xwininfo -id "$main" | awk '/Height:/ {print $2}')
    local cx=$(( 2 * (x - extents[0]) + w + extents[0] + extents[1] ))
    local cy=$(( 2 * (y - extents[2]) + h + extents[2] + extents[3] ))
    off_x=$(( cx - 1024 )); off_y=$(( cy - 768 )) # twice the offset of the centre
    [ ${off_x#-} -le 4 ] && [ ${off_y#-} -le 4 ]
}
wait_for 40 centred || fail "the frame is not centred (twice its centre's offset: $off_x, $off_y)"
echo "frame centred (offset ${off_x}/2, ${off_y}/2 px)"

# The window on workspace 2, the user on workspace 1.
xdotool set_desktop_for_window "$main" 1
xdotool set_desktop 0
sleep 6 # the first tick records the counts
touch "$WORK/a/new" "$WORK/b/new"

check_alert() { # which
    local alert=""
    for _ in $(seq 120); do
        alert=$(windows | grep -vx "$main" | head -n 1 || true)
        [ -n "$alert" ] && break
        sleep 0.1
    done
    [ -n "$alert" ] || fail "no $1 alert"
    local desktop
    desktop=$(cardinal "$alert" _NET_WM_DESKTOP)
    [ "$desktop" = 0 ] || [ "$desktop" = 4294967295 ] || fail "the $1 alert is on workspace $desktop"
    [ "$(xprop -root _NET_CURRENT_DESKTOP | grep -o '[0-9]*$')" = 0 ] ||
        fail "the user was moved off their workspace"
    wait_for 20 viewable "$alert" || fail "the $1 alert is not viewable"
    wait_for 20 on_top "$alert" || fail "the $1 alert is not on top"
    wait_for 20 demands_attention "$alert" || fail "the $1 alert does not demand attention"
    demands_attention "$main" || fail "the main window does not demand attention with the $1 alert"
    echo "$1 alert: workspace $desktop, viewable, on top, demanding attention"
    xdotool windowactivate "$alert" 2>/dev/null || true
    sleep 0.2
    xdotool key Return
    wait_for 50 bash -c "! xdotool search --onlyvisible --name '^Marrowquill 1\.0$' | grep -qx $alert" ||
        fail "the $1 alert did not go with Return"
}
check_alert first
check_alert second
wait_for 20 bash -c "! xprop -id $main _NET_WM_STATE WM_HINTS | grep -qE 'DEMANDS_ATTENTION|urgency'" ||
    fail "the main window still demands attention after the alerts"

# A second start brings the window to the user: from another workspace, then from minimized.
brought_here() {
    [ "$(cardinal "$main" _NET_WM_DESKTOP)" = 0 ] && viewable "$main" && on_top "$main"
}
for from in "another workspace" "minimized on another workspace"; do
    xdotool set_desktop_for_window "$main" 1
    [ "$from" = "another workspace" ] || xdotool windowminimize --sync "$main"
    xdotool set_desktop 0
    status=0
    (start) || status=$?
    [ "$status" -eq 0 ] || fail "the second start exited $status"
    wait_for 30 brought_here || fail "a second start did not bring the window from $from"
    echo "second start brought the window from $from"
done

kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
UNDER_X
echo "PASS: centred frame, alerts on the user's workspace, second start brings the window"
