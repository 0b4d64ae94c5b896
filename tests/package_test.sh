#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# Installs Marrowquill into a temporary prefix and validates its desktop entry and AppStream
# metadata; then builds the Debian package (scripts/package.sh), holds it to lintian, unpacks it
# into a temporary root, checks what it holds (the README among its documentation), and runs
# the packaged program: --version, --help, an unknown option, no display, and SIGTERM, which
# must save and exit 0.
# Arguments: BUILD_DIR APP_ID VERSION EXECUTABLE (from CMake, which holds the identity).
set -euo pipefail
build=$(realpath "$1")
app_id=$2 version=$3 executable=$4
source=$(realpath "$(dirname "$0")/..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

expect_files() { # root
    for file in "bin/$executable" "share/applications/$app_id.desktop" \
                "share/metainfo/$app_id.metainfo.xml" \
                "share/icons/hicolor/scalable/apps/$executable.svg" \
                "share/icons/hicolor/32x32/apps/$executable.png"; do
        [ -f "$1/$file" ] || fail "missing $file under $1"
    done
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
expect_files "$work/prefix"
desktop-file-validate "$work/prefix/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$work/prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"

changelog_version=$(cd "$source" && dpkg-parsechangelog -S Version)
[ "${changelog_version%%-*}" = "$version" ] ||
    fail "debian/changelog says $changelog_version, CMake says $version"
"$source/scripts/package.sh" "$work/debian" >/dev/null
deb="$work/debian/${executable}_${changelog_version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb") in $(ls "$work/debian")"

tags=$(lintian -EvI --pedantic "$deb" 2>&1 | grep -E '^[EW]: ' || true)
[ -z "$tags" ] || fail "lintian: $tags"
[[ "$(dpkg-deb -f "$deb" Depends)" == *libqt6widgets6* ]] || fail "Depends does not name Qt"
for recommended in libcanberra-pulse qt6-translations-l10n; do
    [[ "$(dpkg-deb -f "$deb" Recommends)" == *"$recommended"* ]] ||
        fail "Recommends does not name $recommended"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
expect_files "$root/usr"
for file in "share/man/man1/$executable.1.gz" "share/doc/$executable/copyright" \
            "share/doc/$executable/changelog.gz"; do
    [ -f "$root/usr/$file" ] || fail "missing /usr/$file"
done
page=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$executable.1.gz" 2>&1)
grep -q "EXIT STATUS" <<<"$page" || fail "the man page does not render"
grep -q "Marrowquill $version" <<<"$page" || fail "the man page does not say version $version"
# What Cancel does, every exit status with its causes, where the README is (read as one line).
text=$(MANWIDTH=1000 man -l "$root/usr/share/man/man1/$executable.1.gz" 2>&1 | tr -s ' \n' '  ')
for said in "Cancelling the folder chooser (Cancel or Escape) clears the slot's folder and switches the slot off" \
            "--help-all Print the help with the options Qt takes on the display the program would open" " 0 The window was closed" \
            " 1 No display could be opened" " 2 An unknown option was given, one of Qt's options" \
            "an argument the program does not take" "installed in /usr/share/doc/$executable"; do
    grep -qF -- "$said" <<<"$text" || fail "the man page does not say: $said"
done
grep -q "GPL-3.0-or-later" "$root/usr/share/doc/$executable/copyright" || fail "copyright"
readme=$(find "$root/usr/share/doc/$executable" -name 'README.md*' -print -quit)
[ -n "$readme" ] || fail "no README in /usr/share/doc/$executable"
zcat -f "$readme" | grep -q "^## What counts as a change" || fail "the installed README is not ours"
# Every file the README links or shows is installed beside it.
for target in $(zcat -f "$readme" | grep -oE '\]\([^)#]+\)' | sed 's/^](//; s/)$//' | grep -v '://'); do
    [ -f "$(dirname "$readme")/$target" ] || fail "the installed README links $target, not installed"
done
grep -q "Icon=$executable" "$root/usr/share/applications/$app_id.desktop" || fail "Icon="

program="$root/usr/bin/$executable"
run() { # expected-status stdout-file stderr-file command...
    local expected=$1 out=$2 err=$3 status=0
    shift 3
    "$@" >"$out" 2>"$err" || status=$?
    [ "$status" -eq "$expected" ] || fail "$* exited $status, not $expected: $(cat "$err")"
}
run 0 "$work/out" "$work/err" "$program" --version
[ "$(cat "$work/out")" = "Marrowquill $version" ] || fail "--version printed '$(cat "$work/out")'"
run 0 "$work/out" "$work/err" "$program" --help
grep -q -- "--version" "$work/out" || fail "--help printed no options"
# Without any display, the options Qt takes on every platform, the widgets' own among them.
run 0 "$work/all" "$work/err" env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help-all
for option in --version --platform --reverse --session --qwindowgeometry --style; do
    grep -qE -- "^ *(-[a-z], )?$option\b" "$work/all" || fail "--help-all does not list $option"
done
! grep -q -- "--reverse" "$work/out" || fail "--help lists Qt's options"
# Qt takes its own options once it has a platform: the offscreen one needs no display.
run 2 "$work/out" "$work/err" env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
    "$program" --no-such-option
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "an unknown option gave: $(cat "$work/err")"
run 1 "$work/out" "$work/err" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    XDG_RUNTIME_DIR="$work" "$program"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "no display gave: $(cat "$work/err")"
run 1 "$work/out" "$work/err" env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9999 \
    XDG_RUNTIME_DIR="$work" "$program"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "a display that cannot be opened gave: $(cat "$work/err")"

mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    "$program" &
app=$!
for _ in $(seq 200); do # until it handles SIGTERM (bit 15 of SigCgt)
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$app/status" 2>/dev/null || echo 0)
    (( (16#${mask:-0} >> 14) & 1 )) && break
    sleep 0.05
done
kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "the packaged program exited $status on SIGTERM"
[ -f "$work/config/Marrowquill/Marrowquill.conf" ] || fail "the packaged program saved no settings"
echo "PASS: $(basename "$deb"): lintian clean, files, man page, command line and SIGTERM"
