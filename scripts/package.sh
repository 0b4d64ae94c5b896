#!/usr/bin/env bash
# Builds Marrowquill (optimised) and makes its Debian package, build/release/marrowquill_1.00_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack -G DEB)
echo "Package: $(ls "$PWD"/build/release/marrowquill_*.deb)"
