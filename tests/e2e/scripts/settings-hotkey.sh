#!/usr/bin/env bash
# Recording a new Switcher hotkey in the settings window, end to end: Super+Tab switches, the
# user opens Settings… from the tray menu, clicks the Switcher recorder on the Preferences
# screen and presses Ctrl+Alt+Space; hotkeys.json is rewritten, Super+Tab no longer opens the
# switcher (the key reaches the focused window instead) and Ctrl+Alt+Space does.
# Runs inside scripts/xvfb-session --tray; $1 is the morvelan binary, $2 morvelan_testclient.
set -euo pipefail
morvelan=$1
testclient=$2
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"

# Where the controls are inside the 760 × 580 settings window.
preferences_tab=(602 25)
switcher_recorder=(640 388)

# The one context takes both test windows (legacy "match" on their titles), so the switcher
# can commit either of them.
mkdir -p "$data_dir" "$config_dir"
printf '{"hasSeenIntro":true}\n' >"$config_dir/settings.json"
cat >"$data_dir/contexts.json" <<'EOF'
{"contexts":[{"id":"6F1D2C3B-4A59-4E68-8F70-9A1B2C3D4E5F","name":"Desk","colorHex":"#138A80",
"members":[],"match":"e2e","workspaceID":"0B1C2D3E-4F50-4617-8829-3A4B5C6D7E8F","rules":[]}],
"activeID":"6F1D2C3B-4A59-4E68-8F70-9A1B2C3D4E5F",
"workspaces":[{"id":"0B1C2D3E-4F50-4617-8829-3A4B5C6D7E8F","name":"Default"}]}
EOF

# Two windows: Alpha, then Beta (focused).
start_client "$testclient"
open_window a "class=Alpha title='e2e Alpha' x=40 y=80 w=400 h=300" >/dev/null
open_window b "class=Beta title='e2e Beta' x=480 y=80 w=400 h=300" >/dev/null

active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
is_active() { [[ $(active_title) == "$1" ]]; }
wait_for 5 is_active "e2e Beta" || fail "Beta is not focused: $(active_title)"
switcher_open() { has_window "Morvelan Switcher"; }
switcher_closed() { no_window "Morvelan Switcher"; }

# Holds the modifiers, presses the key, waits `$1` for the switcher, then releases all.
# $2: modifiers (xdotool names, space-separated), $3: key. Sets `opened`.
hold_and_release() {
    local wait=$1 mods=$2 key=$3
    # shellcheck disable=SC2086
    xdotool keydown $mods
    xdotool key "$key"
    opened=0
    if wait_for "$wait" switcher_open; then opened=1; fi
    # shellcheck disable=SC2086
    xdotool keyup $mods
}
# Holding $1 and pressing $2 opens the switcher, and releasing switches to Alpha.
switches() {
    hold_and_release 5 "$1" "$2"
    ((opened)) || fail "$1+$2 did not open the switcher"
    wait_for 5 switcher_closed || fail "releasing $1 did not close the switcher"
    wait_for 5 is_active "e2e Alpha" || fail "$1+$2 did not switch to Alpha: $(active_title)"
}

start_morvelan

echo "== Super+Tab before the change"
switches super Tab
echo "ok: Super+Tab switches"

echo "== Recording Ctrl+Alt+Space"
open_settings
click_in "$settings" "${preferences_tab[@]}"
sleep 0.3
click_in "$settings" "${switcher_recorder[@]}"
sleep 0.3
xdotool key ctrl+alt+space
bindings() {
    python3 -c '
import json, sys
pairs = json.load(open(sys.argv[1]))
for action, binding in zip(pairs[0::2], pairs[1::2]):
    print("%s %s %s" % (action, binding["keyCode"], binding["mods"]))' "$data_dir/hotkeys.json" 2>/dev/null
}
recorded() { bindings | grep -qx "switcher 49 786432"; }
wait_for 5 recorded || fail "hotkeys.json does not hold Ctrl+Alt+Space for the switcher: $(bindings)"
bindings | grep -qx "switcherConfined 48 524288" ||
    fail "the confined switcher's binding changed: $(bindings)"
close_window "$settings"
echo "ok: hotkeys.json rewritten with keyCode 49, mods 0xC0000"

# Beta again, once morvelan has seen it focused.
xdotool windowactivate --sync "$(window_named "e2e Beta")"
beta_seen() { grep -qx "title=e2e Beta" "$data_dir/focused.log" 2>/dev/null; }
wait_for 5 beta_seen || fail "morvelan did not see Beta focused again"

echo "== Super+Tab after the change"
keys_before=$(grep -c "^key b 0xff09" "$client_out" || true)
hold_and_release 1 super Tab
((!opened)) || fail "Super+Tab still opens the switcher"
tab_reached_beta() { (($(grep -c "^key b 0xff09" "$client_out" || true) > keys_before)); }
wait_for 5 tab_reached_beta || fail "Super+Tab did not reach the focused window"
is_active "e2e Beta" || fail "Super+Tab still switched, to $(active_title)"
echo "ok: Super+Tab goes to the focused window"

echo "== Ctrl+Alt+Space"
switches "ctrl alt" space
echo "ok: Ctrl+Alt+Space switches"

stop_morvelan
echo "settings-hotkey: 4 passed, 0 failed"
