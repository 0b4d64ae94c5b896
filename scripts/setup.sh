#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Installs, with apt-get, whatever this Debian 12 machine lacks to build, run and test
# Marrowquill. Quick when everything is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core
    libcanberra-dev
    libbenchmark-dev linux-perf
    xvfb xauth xdotool x11-utils xterm dbus openbox xfwm4 mutter xwayland
    marco mate-settings-daemon-common muffin cinnamon-settings-daemon
    dbus-daemon at-spi2-core python3-pyatspi
    libfuse3-dev fuse3 imagemagick
    desktop-file-utils appstream dpkg-dev file
    debhelper lintian man-db
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
