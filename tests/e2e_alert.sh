#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real X server: slot 1 watches a folder with "Files added to folder"
# ticked; after the first tick a file is added; the alert window must appear within two poll
# intervals and go with Return; SIGTERM then saves the settings and the program exits 0.
set -euo pipefail
binary=$(realpath "$1")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Marrowquill" "$work/watched" "$work/runtime"
chmod 700 "$work/runtime"
cat >"$work/config/Marrowquill/Marrowquill.conf" <<CONF
[values]
check1_%200=" 1"
folder_%200=$work/watched
check2_%200=" 1"
CONF

export MARROWQUILL="$binary" WORK="$work"
xvfb-run -a -s "-screen 0 1024x768x24" bash <<'UNDER_X'
set -euo pipefail
fail() { echo "FAIL: $*" >&2; kill -KILL "$app" 2>/dev/null || true; exit 1; }
windows() { xdotool search --onlyvisible --name '^Marrowquill 1\.0$' 2>/dev/null || true; }

XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb \
    "$MARROWQUILL" &
app=$!
for _ in $(seq 100); do [ -n "$(windows)" ] && break; sleep 0.1; done
main=$(windows | head -n 1)
[ -n "$main" ] || fail "the window did not appear"

sleep 6 # the first tick, 5 s after loading, records the count
touch "$WORK/watched/new file"
added=$(date +%s%N)

alert=""
for _ in $(seq 100); do
    alert=$(windows | grep -vx "$main" | head -n 1 || true)
    [ -n "$alert" ] && break
    sleep 0.1
done
[ -n "$alert" ] || fail "no alert window within two poll intervals"
echo "alert after $(( ($(date +%s%N) - added) / 1000000 )) ms"

xdotool windowfocus --sync "$alert"
xdotool key Return
for _ in $(seq 50); do [ -z "$(windows | grep -vx "$main" || true)" ] && break; sleep 0.1; done
[ -z "$(windows | grep -vx "$main" || true)" ] || fail "Return did not dismiss the alert"

kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
UNDER_X

saved=$(grep -cE '^(check[1-3]_%20[0-4]|folder_%20[0-4]|check4)=' "$work/config/Marrowquill/Marrowquill.conf")
[ "$saved" -eq 21 ] || { echo "FAIL: the settings file holds $saved values, not 21" >&2; exit 1; }
echo "PASS: alert seen and dismissed; SIGTERM saved 21 values and exited 0"
