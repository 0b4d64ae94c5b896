#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Builds the benchmarks (optimised) and runs them: the file counter against other ways of
# counting a folder, then a poll tick over unchanged folders, then the window's event-loop
# stalls during ticks over changed folders, then the stalls while the folder chooser shows a folder
# of 50,000 subfolders (under Xvfb), then what the program costs while nothing changes
# (bench/idle_cost.sh, about 80 s, under Xvfb). They make folders of up to
# 1,000,000 names under ${BENCH_DIR:-/var/tmp} (about 12 million inodes in all; BENCH_KEEP=1
# keeps them for the next run) and take several minutes. Extra arguments go to Google
# Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --test
cmake --preset bench >/dev/null
cmake --build --preset bench
build/bench/bench/bench_file_counter "$@"
build/bench/bench/bench_poll_tick "$@"
build/bench/bench/bench_window_stall "$@"
xvfb-run -a build/bench/bench/bench_chooser_stall
bench/idle_cost.sh build/bench/src/app/marrowquill build/bench/bench/bench_bare_window
