#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# A change made with a click outlives a run that ends without a close: "Alert Sound" ticked,
# then the program killed with SIGKILL 1.5 s later; then unticked, and the X server killed
# 1.5 s later (a logout without a session manager, a dropped remote session). Each time the
# change is in the file, with all 21 values and what else the file held.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$1"
e2e_settings <<CONF
[values]
folder_%202=$WORK/kept
CONF

# check_saved SOUND: the file holds "Alert Sound" as SOUND, 21 values and the folder it held.
check_saved() {
    local conf
    conf=$(e2e_conf)
    grep -qx "check4=\" $1\"" "$conf" || fail "Alert Sound is not \" $1\" in the file: $(cat "$conf")"
    grep -qx "folder_%202=$WORK/kept" "$conf" || fail "slot 3's folder was lost: $(cat "$conf")"
    local saved
    saved=$(grep -cE '^(check[1-3]_%20[0-4]|folder_%20[0-4]|check4)=' "$conf")
    [ "$saved" -eq 21 ] || fail "the file holds $saved values, not 21"
}

e2e_start_x
# A client that stays connected, as a desktop's would: the server then never resets between
# the program's runs, when a start could find it not answering.
xprop -root -spy >/dev/null 2>&1 &
keeper=$!
e2e_on_exit 'kill "$keeper" 2>/dev/null'
e2e_start_app
click_alert_sound
sleep 1.5
kill -KILL "$app"
wait "$app" 2>/dev/null || true
check_saved 1
echo "killed 1.5 s after the click: the change was kept"

e2e_start_app 2>"$WORK/stderr"
click_alert_sound
sleep 1.5
kill -KILL "$E2E_XVFB"
wait_for 100 bash -c "! kill -0 $app 2>/dev/null || grep -q '^[0-9]* ([^)]*) Z' /proc/$app/stat" ||
    fail "the program outlived its X server"
check_saved 0
if grep -q "Settings not saved" "$WORK/stderr"; then fail "$(cat "$WORK/stderr")"; fi
echo "PASS: a change 1.5 s before a SIGKILL or the X server's end is in the file"
