#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Installs, with apt-get, whatever this Debian 12 or 13 machine lacks to build and run
# Marrowquill (scripts/run.sh), or with --test also to test it (scripts/test.sh). Quick when
# everything is already there.
set -euo pipefail

# Building and running the program.
packages=(
    cmake ninja-build g++ pkg-config # the build: CMake presets with Ninja, C++20
    qt6-base-dev                     # Qt 6 Widgets, Gui, Network
    qt6-qpa-plugins                  # Qt's xcb platform plugin, which draws the window on X11
    libxcb1-dev                      # the window manager's EWMH hints, over Qt's own connection
    libcanberra-dev                  # the desktop's alert sound
    fonts-dejavu-core                # a font, on a bare system that has none
    qt6-translations-l10n            # Qt's own buttons and menus in the user's language
)

# Testing it, on top: tests/CMakeLists.txt, .ci/run and scripts/bench.sh.
test_packages=(
    clang-format                          # scripts/check-format.sh
    libbenchmark-dev linux-perf           # the benchmarks: Google Benchmark, perf stat
    xvfb xauth xdotool x11-utils xterm    # end-to-end tests: an X server, input, xprop/xwininfo
    imagemagick                           # screenshots compared pixel by pixel
    dbus dbus-daemon                      # a private session bus for the window managers
    openbox xfwm4 mutter xwayland marco muffin # the window managers the alerts are tested under
    mate-settings-daemon-common           # marco's settings schemas
    cinnamon-settings-daemon              # muffin's settings schemas
    at-spi2-core python3-pyatspi          # what a screen reader is told, over AT-SPI
    libfuse3-dev fuse3                    # the FUSE filesystem whose folders hang
    desktop-file-utils appstream          # the desktop entry and AppStream metadata validated
    debhelper dpkg-dev lintian file man-db # the Debian package built, linted, its man page read
)
[ "${1:-}" != --test ] || packages+=("${test_packages[@]}")

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
# A mirror that drops a connection is tried again (apt's own retries, then ours).
apt_get() {
    local try
    for try in 1 2 3; do
        "${sudo[@]}" apt-get -o Acquire::Retries=3 "$@" && return 0
        echo "apt-get $1 failed (try $try of 3)" >&2
        sleep $((try * 10))
    done
    echo "apt-get $* failed three times: see its messages above" >&2
    return 1
}
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
