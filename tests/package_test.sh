#!/usr/bin/env bash
# Installs Marrowquill into a temporary prefix and validates its desktop entry and AppStream
# metadata; then builds the Debian package, unpacks it into a temporary root, checks what it
# holds, and starts the packaged program, which must exit 0 on SIGTERM.
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
app_id=org.marrowquill.Marrowquill

expect_files() { # root
    for file in bin/marrowquill "share/applications/$app_id.desktop" \
                "share/metainfo/$app_id.metainfo.xml" \
                share/icons/hicolor/32x32/apps/marrowquill.png \
                share/icons/hicolor/64x64/apps/marrowquill.png; do
        [ -f "$1/$file" ] || fail "missing $file under $1"
    done
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
expect_files "$work/prefix"
desktop-file-validate "$work/prefix/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$work/prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"

(cd "$work" && cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >/dev/null)
deb="$work/package/marrowquill_1.00_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/package")"
depends=$(dpkg-deb -f "$deb" Depends)
[[ "$depends" == *libqt6widgets6* ]] || fail "Depends does not name Qt: '$depends'"
dpkg-deb -x "$deb" "$work/root"
expect_files "$work/root/usr"

mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    "$work/root/usr/bin/marrowquill" &
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
echo "PASS: installed files validate; $(basename "$deb") holds them, depends on: $depends"
