#!/usr/bin/env bash
# What a screen reader sees, through AT-SPI on a session bus of the test's own: the settings
# window's tabs, lists and controls have names, roles and states; the switcher, held open, is a
# window whose selected tile moves with Tab. Also: Escape closes Settings, and every window
# wears the program's icon. Runs inside scripts/xvfb-session --tray; $1 is the morvelan binary,
# $2 the test client.
set -euo pipefail
morvelan=$1
testclient=$2
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"

# The daemon keeps its output open: read it from a file, not a pipe.
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$MORVELAN_SESSION_DIR/bus"
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$MORVELAN_SESSION_DIR/bus")
bus_pid=$(sed -n 2p "$MORVELAN_SESSION_DIR/bus")
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
launcher=$!

mkdir -p "$config_dir"
printf '{"hasSeenIntro":true}\n' >"$config_dir/settings.json"
start_client "$testclient"
trap 'stop_client; kill $launcher $bus_pid 2>/dev/null || true' EXIT
open_window a "class=Alpha appid=org.test.Alpha pid=4242 title='Alpha notes' x=20 y=20 w=300 h=200" >/dev/null
open_window b "class=Beta appid=org.test.Beta pid=4343 title='Beta mail' x=340 y=20 w=300 h=200" >/dev/null
start_morvelan QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
open_settings

# atspi.py CHECK: prints what it found; fails with the reason.
atspi() {
    /usr/bin/python3 - "$@" <<'PY'
import sys, time, pyatspi

def app():
    for a in pyatspi.Registry.getDesktop(0):
        if a and a.name.lower() == "morvelan":
            return a
    sys.exit("morvelan is not on the accessibility bus: " + repr([a.name for a in pyatspi.Registry.getDesktop(0) if a]))

def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)

def named(root, role, name=None):
    return [n for n in walk(root) if n.getRole() == role and (name is None or n.name == name)]

def has(node, state):
    return node.getState().contains(state)

check = sys.argv[1]
top = app()
if check == "settings":
    window = [w for w in top if w.name == "Morvelan — Settings"]
    if not window:
        sys.exit("no settings window among " + repr([w.name for w in top]))
    window = window[0]
    tabs = named(window, pyatspi.ROLE_PAGE_TAB)
    shown = [(t.name, has(t, pyatspi.STATE_SELECTED)) for t in tabs]
    print("tabs:", shown)
    if shown != [("Workspaces", True), ("Preferences", False), ("About", False)]:
        sys.exit("the tabs do not say which screen is shown")
    for name in ("Workspaces", "Contexts"):
        lists = [n for n in walk(window) if n.name == name and n.getRole() in
                 (pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE)]
        if not lists:
            sys.exit("no list named " + name)
        items = [c.name for c in walk(lists[0]) if c is not lists[0] and c.name]
        print(name + ":", items)
        if not items:
            sys.exit("the items of " + name + " have no names")
    controls = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
                pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SLIDER, pyatspi.ROLE_TEXT,
                pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE)
    unnamed = [n.getRoleName() for n in walk(window)
               if n.getRole() in controls and has(n, pyatspi.STATE_SHOWING) and not n.name]
    if unnamed:
        sys.exit("controls without a name: " + repr(unnamed))
elif check in ("switcher", "switcher-moved"):
    for attempt in range(40):
        panels = [w for w in top if w.name.startswith("Morvelan switcher")]
        if panels and panels[0].childCount > 0:
            break
        time.sleep(0.1)
    else:
        sys.exit("no switcher window with tiles among " + repr([(w.name, w.childCount) for w in top]))
    tiles = [(t.name, has(t, pyatspi.STATE_SELECTED)) for t in panels[0]]
    print("tiles:", tiles)
    chosen = [name for name, selected in tiles if selected]
    if len(chosen) != 1:
        sys.exit("not exactly one selected tile")
    print("selected:", chosen[0])
PY
}

echo "== Settings through AT-SPI"
atspi settings || fail "Settings as a screen reader sees it"
icon=$(xprop -id "$settings" _NET_WM_ICON)
icon=${icon:0:60}
[[ $icon == *CARDINAL* ]] || fail "Settings has no icon: $icon"
echo "ok: tabs, lists and controls named; the icon set"

echo "== Escape closes Settings"
xdotool windowactivate --sync "$settings" 2>/dev/null || true
xdotool key Escape
wait_for 5 no_window "Morvelan — Settings" || fail "Escape did not close Settings"
echo "ok"

echo "== The switcher held open"
xdotool keydown super key Tab
first=$(atspi switcher) || { xdotool keyup super; fail "switcher: $first"; }
echo "$first"
xdotool key Tab
second=$(atspi switcher) || { xdotool keyup super; fail "switcher: $second"; }
echo "$second"
xdotool keyup super
[[ $(grep selected: <<<"$first") != $(grep selected: <<<"$second") ]] ||
    fail "Tab did not move the accessible selection"
echo "ok: Tab moves the selected tile"
stop_morvelan
echo "accessibility: 3 passed, 0 failed"
