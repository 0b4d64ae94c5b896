#!/usr/bin/env bash
# Builds Marrowquill with its tests and runs every test. Pass --asan to build and run them under
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=dev
[ "${1:-}" = --asan ] && preset=asan

scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
