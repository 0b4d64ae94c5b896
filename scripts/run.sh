#!/usr/bin/env bash
# Builds Marrowquill (optimised) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/src/app/marrowquill "$@"
