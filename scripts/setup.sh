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
    at-spi2-core python3-pyatspi          # what a screen reader is told, over AT-SPI
    libfuse3-dev fuse3                    # the FUSE filesystem whose folders hang
    desktop-file-utils appstream          # the desktop entry and AppStream metadata validated
    debhelper dpkg-dev lintian file man-db # the Debian package built, linted, its man page read
)
# The window managers the alerts are tested under, with what each needs; one that this release
# does not package is left out, and its test says so and skips.
window_managers=(
    openbox xfwm4
    mutter xwayland                   # GNOME's, on X11 and as a Wayland compositor
    marco mate-settings-daemon-common # MATE's, and its settings' schemas
    muffin cinnamon-settings-daemon   # Cinnamon's, and its settings' schemas
)
[ "${1:-}" != --test ] || packages+=("${test_packages[@]}" "${window_managers[@]}")

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
packaged() { # (no pipe into grep -q: apt-cache, cut short, would fail the pipe at random)
    local policy
    policy=$(apt-cache policy "$1" 2>/dev/null)
    [[ $policy == *"Candidate: "* && $policy != *"Candidate: (none)"* ]]
}
available=()
for package in "${missing[@]}"; do
    if [[ " ${window_managers[*]} " == *" $package "* ]] && ! packaged "$package"; then
        echo "Not packaged on this release, so its tests will skip: $package"
    else
        available+=("$package")
    fi
done
apt_get install -y -qq --no-install-recommends "${available[@]}"
