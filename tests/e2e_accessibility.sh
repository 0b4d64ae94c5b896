#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Marrowquill developers
# What a screen reader gets over AT-SPI from the real program, on a private session bus under
# Xvfb: the window is a frame, the tabs are "Slot 1" to "Slot 5" from the left (from the right
# when started with Qt's -reverse), and slot 1's "Set Folder" button describes the whole path of
# a folder too long for its label.
set -euo pipefail
python=/usr/bin/python3 # Debian's, which has pyatspi
[ -n "${E2E_PRIVATE_BUS:-}" ] || {
    command -v dbus-run-session >/dev/null || { echo "SKIP: dbus-run-session is not installed"; exit 77; }
    exec env E2E_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@"
}
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$1"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "at-spi2-core is not installed"
"$python" -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"

folder="$WORK/$(printf 'nesting/inside/it/%.0s' {1..6})end"
mkdir -p "$folder"
e2e_settings <<CONF
[values]
check1_%200=" 1"
folder_%200=$folder
CONF
e2e_start_x
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
for arguments in "" -reverse; do
# shellcheck disable=SC2086 # no argument at all, or one
e2e_start_app $arguments

"$python" - "$folder" "$arguments" <<'PY' || fail "AT-SPI $arguments: see above"
import sys, time
import pyatspi

folder, arguments = sys.argv[1:]

def find(node, test, depth=0):
    if node is None or depth > 30:
        return []
    found = [node] if test(node) else []
    for child in node:
        found += find(child, test, depth + 1)
    return found

def wait_for(what, lookup):
    for _ in range(100):
        found = lookup()
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"not found over AT-SPI: {what}")

desktop = pyatspi.Registry.getDesktop(0)
app = wait_for("the application",
               lambda: [a for a in desktop if a is not None and a.name.lower() == "marrowquill"])[0]
frames = wait_for("the main window as a frame",
                  lambda: find(app, lambda n: n.getRole() == pyatspi.ROLE_FRAME))
if frames[0].name != "Marrowquill 1.0":
    sys.exit(f"the frame is named {frames[0].name!r}")
tabs = wait_for("the page tabs", lambda: find(app, lambda n: n.getRole() == pyatspi.ROLE_PAGE_TAB))
names = [tab.name for tab in tabs]
if names[:5] != [f"Slot {n}" for n in range(1, 6)]:
    sys.exit(f"the tabs are named {names}")
left = [tab.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x for tab in tabs[:5]]
if (left == sorted(left)) == (arguments == "-reverse"):
    sys.exit(f"started with {arguments!r}, the tabs' left edges are at {left}")
tabs[0].queryAction().doAction(0)  # a screen reader user switches to slot 1
button = wait_for("slot 1's Set Folder button", lambda: find(
    app, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "Set Folder"))[0]
if button.description != folder:
    sys.exit(f"Set Folder describes {button.description!r}, not {folder!r}")
print(f"{arguments}: frame {frames[0].name!r}; tabs {names} at {left}; "
      "Set Folder describes the whole folder")
PY
e2e_stop_app
done
echo "PASS: AT-SPI shows the frame, the slot tabs in order, mirrored by -reverse, and slot 1's whole folder"
