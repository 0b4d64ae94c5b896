#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real X server: slot 1 watches a folder with "Files added to folder"
# ticked; after the first tick a file is added; the alert window must appear within two poll
# intervals and go with Return; SIGTERM then saves the settings and the program exits 0.
# Beforehand the script frames the window as a slow window manager may: it gives the frame's
# extents and has not yet moved the window, and the frame must then be centred.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$1"
mkdir -p "$WORK/watched"
e2e_settings <<CONF
[values]
check1_%200=" 1"
folder_%200=$WORK/watched
check2_%200=" 1"
CONF

e2e_start_x
xprop -root -f _NET_SUPPORTED 32a -set _NET_SUPPORTED _NET_FRAME_EXTENTS
e2e_start_app
xprop -id "$main" -f _NET_FRAME_EXTENTS 32c -set _NET_FRAME_EXTENTS 0,0,39,0
check_centred

sleep 6 # the first tick, 5 s after loading, records the count
touch "$WORK/watched/new file"
added=$(now_ms)
wait_for 100 bash -c '[ -n "$(xdotool search --onlyvisible --name "^Marrowquill 1\.0$" | grep -vx '"$main"')" ]' ||
    fail "no alert window within two poll intervals"
alert=$(other_window)
echo "alert after $(($(now_ms) - added)) ms"

sleep 1.2 # a freshly shown alert ignores keys for a moment
xdotool windowfocus --sync "$alert"
xdotool key Return
wait_for 50 bash -c '[ -z "$(xdotool search --onlyvisible --name "^Marrowquill 1\.0$" | grep -vx '"$main"')" ]' ||
    fail "Return did not dismiss the alert"

e2e_stop_app
saved=$(grep -cE '^(check[1-3]_%20[0-4]|folder_%20[0-4]|check4)=' "$(e2e_conf)")
[ "$saved" -eq 21 ] || fail "the settings file holds $saved values, not 21"
echo "PASS: alert seen and dismissed; SIGTERM saved 21 values and exited 0"
