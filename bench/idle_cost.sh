#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# What the program costs while nothing changes: it watches five unchanged folders on an X
# server, next to a bare Qt window whose 5 s timer does nothing, both running at once. Once the
# first ticks are over, perf counts the system calls and context switches of every thread of
# each for ${IDLE_SECONDS:-60} s, and the script prints the program's system calls beyond the
# bare window's per folder per tick.
#   bench/idle_cost.sh MARROWQUILL BARE_WINDOW
set -euo pipefail
source "$(dirname "$0")/../tests/e2e_lib.sh"
bare=$(realpath "$2")
e2e_init "$1"
seconds=${IDLE_SECONDS:-60}
command -v perf >/dev/null || skip "perf is not installed"

{
    echo "[values]"
    for slot in 0 1 2 3 4; do
        folder="$WORK/watched/$slot"
        mkdir -p "$folder"
        for file in $(seq 100); do : >"$folder/$file"; done
        touch -d '1 hour ago' "$folder"
        echo "check1_%20$slot=\" 1\""
        echo "folder_%20$slot=$folder"
        echo "check2_%20$slot=\" 1\""
        echo "check3_%20$slot=\" 1\""
    done
} | e2e_settings

e2e_start_x
e2e_start_app
"$bare" &
bare_pid=$!
e2e_on_exit 'kill "$bare_pid" 2>/dev/null'
# The first tick comes 5 s after the window loads and reads every folder in full; the next
# ones find them unchanged.
sleep 12

measure() { # PID OUTPUT
    perf stat -x, -e raw_syscalls:sys_enter,context-switches -p "$1" -o "$2" -- sleep "$seconds"
}
measure "$app" "$WORK/program.perf" &
program_perf=$!
measure "$bare_pid" "$WORK/bare.perf" &
wait "$program_perf" $!
e2e_stop_app

value() { grep ",$2" "$1" | cut -d, -f1; }
program_calls=$(value "$WORK/program.perf" raw_syscalls:sys_enter)
bare_calls=$(value "$WORK/bare.perf" raw_syscalls:sys_enter)
program_switches=$(value "$WORK/program.perf" context-switches)
bare_switches=$(value "$WORK/bare.perf" context-switches)
ticks=$((seconds / 5))
echo "Over $seconds s idle, five unchanged folders ($ticks ticks):"
echo "  system calls:      program $program_calls, bare window $bare_calls"
echo "  context switches:  program $program_switches, bare window $bare_switches"
awk -v p="$program_calls" -v b="$bare_calls" -v t="$ticks" 'BEGIN {
    printf "  system calls beyond the bare window, per folder per tick: %.1f\n", (p - b) / (5 * t) }'
