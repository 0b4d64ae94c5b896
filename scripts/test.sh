#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Builds Marrowquill with its tests and runs every test. Pass --asan to build and run them under
# AddressSanitizer and UndefinedBehaviorSanitizer instead, or --tsan to run the suites of the
# code that shares data between threads under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=dev
case "${1:-}" in
    --asan) preset=asan ;;
    --tsan) preset=tsan ;;
esac

scripts/setup.sh --test
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
