#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real window manager (the second argument: openbox, xfwm4, mutter,
# marco or muffin on Xvfb, or mutter-xwayland: mutter as a Wayland compositor, the program on its
# XWayland, as under GNOME): its frame is centred and its WM_CLASS matches its desktop entry (the
# third). With its window on workspace 2 and the user typing in a terminal on workspace 1, an
# alert comes on workspace 1, viewable and on top, without taking the keyboard: every key typed
# reaches the terminal, and the alert asks for attention until the user clicks it and Return
# dismisses it at once; the next alert comes once it is dismissed, and another while the window is
# minimized. A user who clicks from terminal A to terminal B just as an alert's window is created
# ends in B, and the program never asks to activate a window not its own. With the window itself active, an alert takes the keyboard. A second start brings the window to the user's
# workspace, in front and focused, from another workspace and from minimized, with its
# launcher's token.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$1"
wm=${2:-openbox}
command -v xterm >/dev/null || skip "xterm is not installed"
mkdir -p "$WORK/a" "$WORK/b"
e2e_settings <<CONF
[values]
check1_%200=" 1"
folder_%200=$WORK/a
check2_%200=" 1"
check1_%201=" 1"
folder_%201=$WORK/b
check2_%201=" 1"
CONF

if [ "$wm" = mutter-xwayland ]; then
    e2e_start_xwayland
else
    e2e_start_x
    e2e_start_wm "$wm"
fi
# Every count and every request to the window manager go to $WORK/app.log.
export QT_LOGGING_RULES="marrowquill.counter.debug=true;marrowquill.desktop.debug=true"
e2e_start_app
# The requests every client sends the window manager, through the root.
xev -root -event substructure >"$WORK/root-events" 2>&1 &
root_watch=$!
e2e_on_exit 'kill "$root_watch" 2>/dev/null'
ours=" $main " # the program's windows: the main window and each alert

same() { [ $(($1)) -eq $(($2)) ]; }
active_is() { same "$(xprop -root _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*' | head -n 1)" "$1"; }
on_top() { same "$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | tail -n 1)" "$1"; }
# Mutter on Wayland lets no X client switch workspaces, and until the user first switches, its
# root does not say which one they are on: there the user stays on the first.
switchable=$([ -n "$(current_desktop)" ] && echo yes || true)
window_away() { # the window on workspace 2, the user on workspace 1
    [ -z "$switchable" ] || { xdotool set_desktop_for_window "$main" 1 && xdotool set_desktop 0; }
}
on_users_desktop() {
    [[ "$(current_desktop)" =~ ^0?$ ]] && [[ "$(cardinal "$1" _NET_WM_DESKTOP)" =~ ^(0|4294967295)$ ]]
}
# The EWMH state or the ICCCM urgency hint (a window manager may drop the state, not the hint).
demands_attention() {
    xprop -id "$1" _NET_WM_STATE WM_HINTS | grep -qE 'DEMANDS_ATTENTION|urgency hint bit is set'
}
# The user is told through the taskbar exactly when the alert did not get in front.
# An alert that came while the user typed elsewhere leaves them the keyboard and flashes.
left_keyboard() {
    ! active_is "$alert" && demands_attention "$alert" && demands_attention "$main"
}
check_left_keyboard() {
    # The keyboard stays where it is: a window manager that gave the box the keyboard a moment
    # after it came would take it from the user.
    { wait_for 100 left_keyboard && sleep 1 && left_keyboard; } ||
        fail "the $1 alert $(active_is "$alert" && echo took the keyboard ||
            echo "asks for no attention (its state: $(xprop -id "$alert" _NET_WM_STATE WM_HINTS | tr '\n\t' '  '))")"
}
told_rightly() {
    if active_is "$1"; then
        ! demands_attention "$1" && ! demands_attention "$main"
    else
        demands_attention "$1" && demands_attention "$main"
    fi
}
gone() { ! windows | grep -qx "$1"; }
alert_shown() { [ -n "$(other_window)" ]; }
placed() { on_users_desktop "$alert" && viewable "$alert" && on_top "$alert"; }

check_centred
# Desktops match the window to its entry by the class of its WM_CLASS.
entry_class=$(sed -n 's/^StartupWMClass=//p' "${3:-/dev/null}")
[ -z "${3:-}" ] || xprop -id "$main" WM_CLASS | grep -q ", \"$entry_class\"$" ||
    fail "WM_CLASS $(xprop -id "$main" WM_CLASS) does not match StartupWMClass=$entry_class"

# The user works in terminal A on workspace 1, with terminal B beside it; the window is on
# workspace 2.
# A terminal by its title, not its frame (see windows).
terminal() {
    local xterms
    xterms=$(xdotool search --onlyvisible --class '^XTerm$') || return 0
    xdotool search --onlyvisible --name "^$1\$" | grep -Fx "$xterms" | head -n 1 || true
}
# start_terminal TITLE GEOMETRY COMMAND: waits until the window manager has given the new
# terminal the keyboard, as each gives a new window: a click made before then may be undone.
new_terminal_active() { [ -n "$(terminal "$title")" ] && active_is "$(terminal "$title")"; }
start_terminal() {
    local title=$1
    xterm -title "$title" -geometry "$2" -e sh -c "$3" &
    e2e_on_exit "kill $! 2>/dev/null"
    wait_for 300 new_terminal_active ||
        fail "the window manager did not give the new terminal \"$title\" the keyboard"
}
start_terminal typing 40x10+0+0 'cat >"$WORK/typed"'
start_terminal other 40x10-0+0 'cat >/dev/null'
term=$(terminal typing) other=$(terminal other)
# The user clicks into a window. XWayland does not pass the clicks xdotool makes to its
# compositor: there the user's switch is asked for as a taskbar would, and counted.
asked_by_user=0
user_activates() {
    if [ "$wm" = mutter-xwayland ]; then
        xdotool windowactivate "$1" && asked_by_user=$((asked_by_user + 1))
    else
        xdotool mousemove --window "$1" 20 20 click 1
    fi
}
focus_terminal() {
    user_activates "$term"
    wait_for 100 active_is "$term" || fail "the terminal did not get the focus"
}
# Every activation asked for on the root that names no window of the program's is the user's.
asked_only_for_ours() {
    local window others=0
    for window in $(awk '/^ClientMessage/ { w = $NF } /\(_NET_ACTIVE_WINDOW\)/ { print w }' \
        "$WORK/root-events" | tr -d ,); do
        [[ "$ours" == *" $((window)) "* ]] || others=$((others + 1))
    done
    [ "$others" -eq "$asked_by_user" ] ||
        fail "$others activations of other programs' windows were asked for, $asked_by_user by the user"
}
window_away
focus_terminal

# check_alert NAME: the alert is on the user's workspace, viewable, on top, told rightly.
check_alert() {
    wait_for 300 alert_shown || fail "no $1 alert viewable on the user's workspace"
    alert=$(other_window)
    ours+="$alert "
    wait_for 100 placed || {
        gone "$alert" && fail "the $1 alert went as soon as it came"
        fail "the $1 alert is not viewable on top on workspace 1 (it is on $(cardinal "$alert" _NET_WM_DESKTOP))"
    }
    [ "$(current_desktop)" = "${switchable:+0}" ] || fail "the user was moved to workspace $(current_desktop)"
}
dismiss() {
    xdotool windowactivate "$alert" 2>/dev/null || xdotool windowfocus "$alert"
    wait_for 50 active_is "$alert" || xdotool windowfocus "$alert"
    sleep 1.2 # an alert just activated ignores keys for a moment
    xdotool key Return
    wait_for 100 gone "$alert" || fail "the $1 alert did not go with Return"
}
# The user clicks the alert's text, not its button, then presses Return.
click_and_dismiss() {
    xdotool mousemove --window "$alert" 12 12 click 1
    wait_for 50 active_is "$alert" || fail "a click on the $1 alert did not activate it"
    sleep 0.3 # the user's own click makes the box theirs at once
    xdotool key Return
    wait_for 100 gone "$alert" || fail "the $1 alert did not go with Return"
}

# The first tick records the counts; then both folders grow while the user types.
wait_for 900 grep -q "$WORK/b holds" "$WORK/app.log" || fail "no first count"
echo 0 >"$WORK/typed-lines"
(
    lines=0
    while [ ! -e "$WORK/stop-typing" ]; do
        xdotool type --delay 30 'ok ok' && xdotool key Return
        echo $((lines += 1)) >"$WORK/typed-lines"
    done
) &
typist=$!
# Every line typed reached the terminal whole.
all_typed() {
    local lines
    lines=$(cat "$WORK/typed-lines")
    [ "$(grep -cx 'ok ok' "$WORK/typed")" -eq "$lines" ] && [ "$(wc -l <"$WORK/typed")" -eq "$lines" ]
}
e2e_on_exit 'touch "$WORK/stop-typing"; wait "$typist" 2>/dev/null'
touch "$WORK/a/new" "$WORK/b/new"
check_alert first
sleep 2 # typing goes on after the alert came
touch "$WORK/stop-typing"
wait "$typist"
viewable "$alert" && ! gone "$alert" || fail "typing in the terminal dismissed the alert"
wait_for 50 all_typed || fail "$(cat "$WORK/typed-lines") lines typed, the terminal got:" \
    "$(grep -cx "ok ok" "$WORK/typed") whole of $(wc -l <"$WORK/typed")"
check_left_keyboard first
echo "$wm: first alert on workspace $(cardinal "$alert" _NET_WM_DESKTOP), on top, asking for" \
    "attention; all $(cat "$WORK/typed-lines") lines typed reached the terminal"
click_and_dismiss first
check_alert second
wait_for 100 told_rightly "$alert" || fail "the second alert's attention does not match its focus"
dismiss second
wait_for 50 eval '! demands_attention "$main"' ||
    fail "the main window still demands attention after the alerts"

# The user clicks from terminal A to B 0, 10 and 20 ms after the alert's window is created.
for delay in 0 10 20; do
    focus_terminal
    xdotool mousemove --window "$other" 20 20
    rm -f "$WORK/created"
    (
        xev -root -event substructure | {
            while read -r event _ && [ "$event" != CreateNotify ]; do :; done
            read -r _ _ _ created _
            sleep "0.0$delay"
            user_activates "$other"
            echo "${created%,}" >"$WORK/created"
        }
    ) &
    sleep 0.5 # the watch has begun
    touch "$WORK/a/switch-$delay"
    check_alert "switch at $delay ms"
    wait_for 50 test -s "$WORK/created" || fail "no window creation seen"
    same "$(cat "$WORK/created")" "$alert" || fail "the window seen created was not the alert"
    [ "$wm" != mutter-xwayland ] || asked_by_user=$((asked_by_user + 1)) # in the watch's shell
    { wait_for 50 active_is "$other" && sleep 1 && active_is "$other"; } ||
        fail "the user clicked into terminal B $delay ms after the alert's window was created," \
            "but the keyboard is in $(xdotool getactivewindow getwindowname 2>&1)"
    click_and_dismiss "switch at $delay ms"
done
asked_only_for_ours
echo "$wm: the user who clicked into another terminal as the alert came kept it, at 0, 10 and 20 ms"
# An alert while the window is minimized on another workspace.
xdotool windowminimize --sync "$main"
window_away
focus_terminal
touch "$WORK/a/newer"
check_alert "minimized window's"
check_left_keyboard "minimized window's"
dismiss "minimized window's"

# A second start brings the window to the user, who works in the terminal.
brought_here() { on_users_desktop "$main" && viewable "$main" && on_top "$main" && active_is "$main"; }
for from in "another workspace" "minimized on another workspace"; do
    [ "$from" = "another workspace" ] || xdotool windowminimize --sync "$main"
    window_away
    [ -n "$switchable" ] || xdotool set_desktop_for_window "$main" 1 # only the window moves
    focus_terminal
    token="e2e-launcher-$RANDOM"
    DESKTOP_STARTUP_ID=$token e2e_run_app || fail "the second start exited $?"
    wait_for 300 brought_here || fail "a second start did not bring the window from $from" \
        "(it is on workspace $(cardinal "$main" _NET_WM_DESKTOP), the user on '$(current_desktop)')"
    # Focus-stealing prevention trusts a request with a real time (XWayland's mutter flashes
    # one without): the running copy got the launcher's token and sent a time.
    grep -q "launch token $token time [1-9]" "$WORK/app.log" ||
        fail "the running copy was not asked with the launcher's token and a real time"
    echo "$wm: second start brought the window from $from"
done

# The user works in the window itself: the alert takes the keyboard from it.
touch "$WORK/b/newer"
check_alert "active window's"
wait_for 100 eval 'active_is "$alert" && ! demands_attention "$alert"' ||
    fail "the active window's alert did not take the keyboard"
dismiss "active window's"

asked_only_for_ours
e2e_stop_app
echo "PASS: $wm: centred frame, alerts on the user's workspace leaving the typist the keyboard," \
    "an alert taking it from the window, second start"
