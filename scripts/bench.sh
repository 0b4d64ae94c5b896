#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs the file counter's benchmark. It makes folders of
# 10,000, 100,000 and 1,000,000 names under ${BENCH_DIR:-/var/tmp}; they need about 1 GB of
# inodes and take a minute to create. Extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
exec build/bench/bench/bench_file_counter "$@"
