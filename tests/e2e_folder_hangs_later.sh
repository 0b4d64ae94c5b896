#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real X server, watching in slot 1 a folder on a share that answers
# at first and then hangs (a FUSE filesystem whose folder opens only while a file exists), and
# a normal folder in slot 2. Once the share hangs, the read that was to count both folders one
# after the other is stuck on the first: a file added to the normal folder must still alert.
# Exits 77 (skipped) where FUSE cannot be used.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_need_fuse "${2:-}"
e2e_init "$1"
mkdir -p "$WORK/watched"
touch "$WORK/answer"
e2e_mount_fuse "$WORK/mnt" "$WORK/mnt" "$WORK/answer"
e2e_on_exit 'touch "$WORK/answer"'
e2e_settings <<CONF
[values]
check1_%200=" 1"
folder_%200=$WORK/mnt/hang
check1_%201=" 1"
folder_%201=$WORK/watched
check2_%201=" 1"
CONF

e2e_start_x
e2e_start_app
sleep 12 # two ticks count both folders, one after the other
rm "$WORK/answer"
sleep 5 # a tick finds the share hung
touch "$WORK/watched/new file"
wait_for 200 bash -c '[ -n "$(xdotool search --onlyvisible --name "^Marrowquill 1\.0$" | grep -vx '"$main"')" ]' ||
    fail "no alert for the normal folder once the share before it hung"
touch "$WORK/answer"
e2e_stop_app
echo "PASS: the normal folder still alerts once the share before it hangs"
