#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real X server, watching in slot 1 a folder on a share that is slow
# but answers (a FUSE filesystem whose folders take 3 s to open, every time: longer than the
# 2 s a tick waits at first) with both alert options ticked, and a normal folder in slot 2. The
# slow folder's first count comes too late for its turn; from then on its turn waits for it, so
# a file added to it alerts within two ticks, and one added to the normal folder still alerts.
# Standard error says once that the folder is slow. Exits 77 (skipped) where FUSE cannot be
# used.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_need_fuse "${2:-}"
e2e_init "$1"
mkdir -p "$WORK/slow" "$WORK/watched"
touch "$WORK/slow/a" "$WORK/slow/b"
e2e_mount_fuse "$WORK/mnt" --slow-open 3000 "$WORK/slow" "$WORK/mnt"
e2e_settings <<CONF
[values]
check1_%200=" 1"
folder_%200=$WORK/mnt
check2_%200=" 1"
check3_%200=" 1"
check1_%201=" 1"
folder_%201=$WORK/watched
check2_%201=" 1"
CONF

counts_of_slow() { grep -c "$WORK/mnt holds" "$WORK/app.log" || true; }
counted_since() { [ "$(counts_of_slow)" -gt "$1" ]; }
has_alert() { [ -n "$(other_window)" ]; }
# wait_for_alert TENTHS WHAT: an alert box within TENTHS tenths of a second, then dismissed.
wait_for_alert() {
    wait_for "$1" has_alert || fail "no alert for $2"
    local box
    box=$(other_window)
    sleep 1.2 # a freshly shown alert ignores keys for a moment
    xdotool windowfocus --sync "$box"
    xdotool key Return
    wait_for 50 bash -c "! xwininfo -id $box 2>/dev/null | grep -q IsViewable" ||
        fail "Return did not dismiss the alert for $2"
}

e2e_start_x
QT_LOGGING_RULES="marrowquill.counter.debug=true" e2e_start_app
wait_for 300 grep -q "Folder $WORK/mnt is slow" "$WORK/app.log" ||
    fail "standard error never said the folder is slow: $(cat "$WORK/app.log")"
# The count after the late one is the slot's first: it is recorded, not compared.
wait_for 300 counted_since "$(counts_of_slow)" || fail "the slow folder was not counted again"
! has_alert || fail "an alert came although the slow folder did not change"

touch "$WORK/slow/new file"
added=$(now_ms)
wait_for_alert 200 "a file added to the slow folder"
echo "the slow folder alerted $(($(now_ms) - added)) ms after the file was added"
touch "$WORK/watched/new file"
wait_for_alert 200 "the normal folder next to the slow one"
[ "$(grep -c "is slow" "$WORK/app.log")" -eq 1 ] || fail "the slowness was told more than once"
e2e_stop_app
echo "PASS: the slow folder is watched; the normal folder still alerts"
