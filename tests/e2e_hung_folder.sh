#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The real program under a real X server, watching a folder whose filesystem hangs (a FUSE
# filesystem whose opendir waits until the test lets it go) in slot 1 and a normal folder in
# slot 2: a file added to the normal folder must still raise its alert; the window must
# repaint a click within 100 ms; SIGTERM must save and exit 0 within 1 s, hang or no hang.
# Exits 77 (skipped) where FUSE cannot be used.
set -euo pipefail
binary=$(realpath "$1")
hanging_fs=${2:-}

skip() { echo "SKIP: $*"; exit 77; }
[ -c /dev/fuse ] || skip "no /dev/fuse on this machine"
[ -x "$hanging_fs" ] || skip "the FUSE test filesystem was not built (libfuse3 missing)"
command -v fusermount3 >/dev/null || skip "fusermount3 is missing (package fuse3)"

work=$(mktemp -d)
fs_pid=""
cleanup() {
    local status=$?
    set +e
    touch "$work/release"
    fusermount3 -uz "$work/mnt" 2>/dev/null
    [ -n "$fs_pid" ] && kill "$fs_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
mkdir -p "$work/config/Marrowquill" "$work/watched" "$work/runtime" "$work/mnt"
chmod 700 "$work/runtime"

"$hanging_fs" "$work/mnt" "$work/release" &
fs_pid=$!
for _ in $(seq 100); do [ -d "$work/mnt/hang" ] && break; sleep 0.05; done
[ -d "$work/mnt/hang" ] || skip "the FUSE filesystem could not be mounted here"

cat >"$work/config/Marrowquill/Marrowquill.conf" <<CONF
[values]
check1_%200=" 1"
folder_%200=$work/mnt/hang
check2_%200=" 1"
check1_%201=" 1"
folder_%201=$work/watched
check2_%201=" 1"
CONF

export MARROWQUILL="$binary" WORK="$work"
xvfb-run -a -s "-screen 0 1024x768x24" bash <<'UNDER_X'
set -euo pipefail
fail() { echo "FAIL: $*" >&2; kill -KILL "$app" 2>/dev/null || true; exit 1; }
windows() { xdotool search --onlyvisible --name '^Marrowquill 1\.0$' 2>/dev/null || true; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb \
    "$MARROWQUILL" &
app=$!
for _ in $(seq 100); do [ -n "$(windows)" ] && break; sleep 0.1; done
main=$(windows | head -n 1)
[ -n "$main" ] || fail "the window did not appear"

# The first tick, 5 s after loading, gives up on the hung folder after 2 s and records the
# normal folder's count.
sleep 8
touch "$WORK/watched/new file"
added=$(now_ms)
alert=""
for _ in $(seq 150); do
    alert=$(windows | grep -vx "$main" | head -n 1 || true)
    [ -n "$alert" ] && break
    sleep 0.1
done
[ -n "$alert" ] || fail "no alert for the normal folder while the other one hangs"
echo "alert for the normal folder $(( $(now_ms) - added )) ms after the file was added"
sleep 1.2 # a freshly shown alert ignores keys for a moment
xdotool windowfocus --sync "$alert"
xdotool key Return
for _ in $(seq 50); do [ -z "$(windows | grep -vx "$main" || true)" ] && break; sleep 0.1; done

# Clicks on "Alert Sound" across a whole poll interval, waits for counts included: each must
# show on screen within 100 ms.
eval "$(xdotool getwindowgeometry --shell "$main")"
scale=$(( WIDTH * 1000 / 322 ))  # the window is 322 px wide at a layout factor of 1
box_x=$(( X + 3465 * scale / 15000 )); box_y=$(( Y + 2730 * scale / 15000 ))
box_w=$(( 1275 * scale / 15000 )); box_h=$(( 330 * scale / 15000 ))
shot() { import -window root -crop "${box_w}x${box_h}+${box_x}+${box_y}" +repage "$1"; }
clicks=9
for click in $(seq $clicks); do
    shot "$WORK/before.png"
    xdotool mousemove $(( box_x + 10 )) $(( box_y + box_h / 2 )) click 1
    sleep 0.1
    shot "$WORK/after.png"
    changed=$(compare -metric AE "$WORK/before.png" "$WORK/after.png" null: 2>&1 || true)
    [ "${changed%% *}" != 0 ] || fail "click $click on \"Alert Sound\" not shown within 100 ms"
    sleep 0.45
done
echo "$clicks clicks shown within 100 ms each"

started=$(now_ms)
kill -TERM "$app"
status=0
wait "$app" || status=$?
took=$(( $(now_ms) - started ))
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
[ "$took" -lt 1000 ] || fail "SIGTERM took $took ms to save and exit"
echo "SIGTERM saved and exited 0 in $took ms"
UNDER_X

conf="$work/config/Marrowquill/Marrowquill.conf"
grep -qx 'check4=" 1"' "$conf" || { echo "FAIL: \"Alert Sound\" was not saved as ticked" >&2; exit 1; }
echo "PASS: the hung folder held up neither the alert, the clicks nor the exit"
