#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real X server, slots 1 and 2 watching folders A and B, both alerting.
# A file added to A raises the box; while the user keeps it open for 10 s, a file is added to B.
# Slot 2 must be counted after the box is dismissed, so B's alert follows it at once, not at
# the next tick (or never, had B changed back by then).
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$1"
mkdir -p "$WORK/a" "$WORK/b"
e2e_settings <<CONF
[values]
check1_%200=" 1"
folder_%200=$WORK/a
check2_%200=" 1"
check3_%200=" 1"
check1_%201=" 1"
folder_%201=$WORK/b
check2_%201=" 1"
check3_%201=" 1"
CONF

alert_shown() { [ -n "$(other_window)" ]; }
# dismiss: Return in the alert shown now; the next alert may come at once, in another window.
dismiss() {
    local alert
    alert=$(other_window)
    xdotool windowfocus --sync "$alert"
    xdotool key Return
    wait_for 50 bash -c "! xwininfo -id $alert 2>/dev/null | grep -q IsViewable" ||
        fail "Return did not dismiss the alert"
}

e2e_start_x
QT_LOGGING_RULES="marrowquill.poll.debug=true" e2e_start_app
sleep 6 # the first tick, 5 s after loading, records both counts
touch "$WORK/a/new"
wait_for 100 alert_shown || fail "no alert for A within two poll intervals"
shown=$(now_ms) # just after a tick

sleep 1
touch "$WORK/b/new"
# Dismissed half a second after a tick falls due (and is dropped, the box being open), so the
# next tick is 4.5 s away.
left=$((shown + 10500 - $(now_ms)))
sleep "$(printf '%d.%03d' $((left / 1000)) $((left % 1000)))"
dismiss
wait_for 20 alert_shown || fail "B's alert did not follow the box: $(grep -c counted "$WORK/app.log") counts logged"
grep -q "Slot 2 counted 1 files, had 0" "$WORK/app.log" || fail "slot 2 was not compared with its count after the box"
sleep 1.2 # a freshly shown alert ignores keys for a moment
dismiss
e2e_stop_app
echo "PASS: the second slot's change during the box alerted right after it"
