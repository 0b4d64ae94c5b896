#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Takes a screenshot of each tab of the window under Xvfb, with sample settings, into
# ${1:-docs/screenshots}. Needs ImageMagick's import, which it installs when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"

scripts/setup.sh --test
if ! command -v import >/dev/null; then
    sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends imagemagick
fi
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Marrowquill" "$home/runtime"
chmod 700 "$home/runtime"
cat >"$home/Marrowquill/Marrowquill.conf" <<CONF
[values]
check1_%200=" 1"
folder_%200=/home/alex/Downloads
check2_%200=" 1"
check3_%200=" 0"
check1_%201=" 1"
folder_%201=/srv/projects/marrowquill/incoming/scans/2026/december/unsorted/from-the-office-printer
check3_%201=" 1"
check4=" 1"
CONF

XDG_CONFIG_HOME="$home" XDG_RUNTIME_DIR="$home/runtime" xvfb-run -a -s "-screen 0 640x480x24" bash -s "$out" <<'SHOTS'
set -euo pipefail
out=$1
build/release/src/app/marrowquill &
app=$!
window=$(xdotool search --sync --name '^Marrowquill 1.0$' | head -n 1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
shoot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"; }
shoot about
xdotool windowfocus --sync "$window"
for tab in 1 2 3 4 5; do
    xdotool key --window "$window" ctrl+Tab
    sleep 0.3
    shoot "tab-$tab"
done
kill -TERM "$app"
wait "$app"
SHOTS
echo "Screenshots in $out"
