#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# A start while the copy before is still saving: the settings folder sits on a FUSE filesystem
# whose sync takes 3 s (a network share whose flush is slow). "Alert Sound" is ticked and the
# window closed, and the program started again at once: the new start says it waits, comes up
# only once the save has landed, and so shows and keeps the ticked box. Exits 77 (skipped) where
# FUSE cannot be used.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_need_fuse "${2:-}"
e2e_init "$1"
mkdir -p "$WORK/disk"
e2e_mount_fuse "$WORK/config/Marrowquill" --slow-sync 3000 "$WORK/disk" "$WORK/config/Marrowquill"
e2e_settings <<CONF
[values]
check4=" 0"
CONF

e2e_start_x
e2e_start_app
first=$app
click_alert_sound
sleep 0.3
kill -TERM "$first"
wait_for 50 bash -c "! xwininfo -id $main 2>/dev/null | grep -q IsViewable" ||
    fail "the first window did not close"
kill -0 "$first" 2>/dev/null || fail "the first copy ended before its save had to wait"
e2e_start_app 2>"$WORK/second.log"
wait "$first" || fail "the first copy exited with status $?"
e2e_stop_app
grep -qx 'check4=" 1"' "$(e2e_conf)" ||
    fail "the ticked Alert Sound was lost: $(cat "$(e2e_conf)")"
grep -q "closing and still saving" "$WORK/second.log" ||
    fail "the second start did not say it waits: $(cat "$WORK/second.log")"
echo "PASS: a start during the last save waits for it and keeps its values"
