#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# The starts a desktop makes: a session manager's "-session ID" and Qt's "-reverse" bring the
# window up; twenty rounds of two starts at the same instant (a double click on a launcher)
# bring up one window, the other start handing over and exiting 0, neither running unguarded.
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$1"
e2e_start_x
# A client that stays connected, as a desktop's would: the server then never resets between
# the program's runs, when a start could find it not answering.
xprop -root -spy >/dev/null 2>&1 &
keeper=$!
e2e_on_exit 'kill "$keeper" 2>/dev/null'

for arguments in "-session abc" "-reverse"; do
    # shellcheck disable=SC2086 # the option and its value are two arguments
    e2e_start_app $arguments
    e2e_stop_app
    echo "$arguments: the window came up"
done

running() { [ -e "/proc/$1" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat"; }

for round in $(seq 20); do
    gate="$WORK/gate$round"
    mkfifo "$gate"
    exec 7<>"$gate" # open both ways: no open blocks, and a late reader still finds its line
    pids=()
    for copy in 1 2; do
        # Both wait at the gate, and go when it opens.
        (read -r _ <"$gate" && exec env XDG_CONFIG_HOME="$WORK/config" \
            XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb "$MARROWQUILL") \
            2>"$WORK/stderr$round.$copy" &
        pids+=($!)
    done
    e2e_on_exit "kill -KILL ${pids[*]} 2>/dev/null"
    printf 'go\ngo\n' >&7

    wait_for 300 bash -c "! { $(declare -f running); running ${pids[0]} && running ${pids[1]}; }" ||
        fail "round $round: two copies still run after 30 s"
    if running "${pids[0]}"; then winner=${pids[0]} loser=${pids[1]}; else winner=${pids[1]} loser=${pids[0]}; fi
    status=0
    wait "$loser" || status=$?
    [ "$status" -eq 0 ] || fail "round $round: the second start exited with $status: $(cat "$WORK"/stderr"$round".*)"
    wait_for 150 bash -c '[ -n "$(xdotool search --onlyvisible --name "^Marrowquill 1\.0$")" ]' ||
        fail "round $round: no window came up"
    sleep 0.3
    count=$(windows | wc -l)
    [ "$count" -eq 1 ] || fail "round $round: $count windows"
    exec 7>&-
    kill -TERM "$winner"
    wait "$winner" || fail "round $round: the running copy did not end cleanly"
    if grep -h "without the guard\|does not answer" "$WORK"/stderr"$round".*; then
        fail "round $round: a start ran without the guard"
    fi
done
echo "PASS: -session and -reverse start; 20 rounds of two starts at once made one window each"
