#!/usr/bin/env bash
# Builds Marrowquill (optimised) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -x build/release/src/app/marrowquill ]; then
    exec build/release/src/app/marrowquill "$@"
fi
echo "Built. The window comes in a later change; there is no program to start yet."
