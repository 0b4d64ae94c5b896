#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Builds Marrowquill's Debian package the Debian way (debian/, dpkg-buildpackage) from a copy
# of this tree in ${1:-build/debian}, and prints where the .deb is. The package's version is
# the one debian/changelog names.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/debian}")

# Only what building the package takes: the build dependencies debian/control names, and
# build-essential; the development set-up (scripts/setup.sh) is not needed here.
if ! dpkg-checkbuilddeps >/dev/null 2>&1; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get build-dep -y -qq --no-install-recommends ./
fi
version=$(dpkg-parsechangelog -S Version)
source="$out/marrowquill-$version"
rm -rf "$out"
mkdir -p "$source"
# dpkg-buildpackage builds inside the source and leaves the packages beside it.
tar --exclude=./build --exclude=./.git --exclude=./.cache -cf - . | tar -xf - -C "$source"
(cd "$source" && dpkg-buildpackage -b -us -uc >"$out/build.log" 2>&1) ||
    { tail -n 40 "$out/build.log" >&2; exit 1; }
echo "Package: $out/marrowquill_${version}_$(dpkg --print-architecture).deb"
