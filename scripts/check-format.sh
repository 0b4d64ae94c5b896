#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Checks that every C++ file follows the project's .clang-format; --fix formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v clang-format >/dev/null || scripts/setup.sh --test
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' '*.h.in')
if [ "${1:-}" = --fix ]; then
    for file in "${files[@]}"; do
        clang-format --assume-filename="${file%.in}" <"$file" >"$file.formatted"
        mv "$file.formatted" "$file"
    done
    exit 0
fi
bad=()
for file in "${files[@]}"; do
    clang-format --assume-filename="${file%.in}" <"$file" | cmp -s - "$file" || bad+=("$file")
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "Not formatted by .clang-format (scripts/check-format.sh --fix formats them):" >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
fi
echo "All ${#files[@]} C++ files follow .clang-format"
