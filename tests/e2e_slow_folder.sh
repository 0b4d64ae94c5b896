#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real X server, watching in slot 1 a folder on a share that is slow
# but answers (a FUSE filesystem whose folder takes 3 s to open, every time: longer than the
# 2 s a tick waits) with both alert options ticked, and a normal folder in slot 2. The slow
# folder's counts all come too late for the turn that asked for them: none may be compared with
# anything, so no alert may come for it over four ticks; a file added to the normal folder must
# still alert. Exits 77 (skipped) where FUSE cannot be used.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_need_fuse "${2:-}"
e2e_init "$1"
mkdir -p "$WORK/watched"
e2e_mount_fuse "$WORK/mnt" --slow-open 3000 "$WORK/mnt"
e2e_settings <<CONF
[values]
check1_%200=" 1"
folder_%200=$WORK/mnt/hang
check2_%200=" 1"
check3_%200=" 1"
check1_%201=" 1"
folder_%201=$WORK/watched
check2_%201=" 1"
CONF

e2e_start_x
e2e_start_app

# Ticks come 5, 10, 15 and 20 s after loading.
sleep 22
[ -z "$(other_window)" ] || fail "an alert came although the slow folder did not change"
touch "$WORK/watched/new file"
wait_for 150 bash -c '[ -n "$(xdotool search --onlyvisible --name "^Marrowquill 1\.0$" | grep -vx '"$main"')" ]' ||
    fail "no alert for the normal folder next to the slow one"
e2e_stop_app
echo "PASS: no false alert for the slow folder; the normal folder still alerts"
