#!/usr/bin/env bash
# The configuration file flows of the settings window, end to end through its buttons and
# dialogs: a double-click opens the context editor; Export…, a change, then Import… of the
# exported file brings the configuration back byte for byte; Reload of a hand-broken
# contexts.json shows the exact message and changes nothing.
# Runs inside scripts/xvfb-session --tray; $1 is the morvelan binary, $2 morvelan_testclient.
# With MORVELAN_E2E_SHOTS set it also takes docs/settings-contexts.png, context-editor.png and
# settings-preferences.png.
set -euo pipefail
morvelan=$1
testclient=$2
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"

# Where the controls are inside the 760 × 580 settings window.
workspaces_tab=(491 25)
preferences_tab=(602 25)
add_workspace=(17 566)
first_context=(250 118)
form_middle=(380 300)
# On the Preferences screen scrolled to the end.
export_button=(79 418)
import_button=(165 418)
reload_button=(665 516)
# Inside the context editor: its first rule's live matches.
rule_matches=(383 282)

contexts=$data_dir/contexts.json
exported=$HOME/morvelan-config.json

mkdir -p "$data_dir" "$config_dir"
printf '{"hasSeenIntro":true}\n' >"$config_dir/settings.json"
# "Work" takes the e2e windows by an include rule but blocks Beta by an exclude rule, and has
# Gamma pinned; "Comms" pins the whole Gamma application.
cat >"$contexts" <<'EOF'
{"contexts":[
 {"id":"6F1D2C3B-4A59-4E68-8F70-9A1B2C3D4E5F","name":"Work","colorHex":"#138A80",
  "members":[{"bundleID":"org.test.Gamma","title":"Gamma chat","matchAppOnly":false}],
  "workspaceID":"0B1C2D3E-4F50-4617-8829-3A4B5C6D7E8F",
  "rules":[{"clauses":[{"field":"title","op":"contains","value":"e2e"}],"exclude":false},
           {"clauses":[{"field":"appName","op":"equals","value":"Beta"}],"exclude":true}]},
 {"id":"1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D","name":"Comms","colorHex":"#D9480F",
  "members":[{"bundleID":"org.test.Gamma","title":"","matchAppOnly":true}],
  "workspaceID":"0B1C2D3E-4F50-4617-8829-3A4B5C6D7E8F","rules":[]}],
 "activeID":"6F1D2C3B-4A59-4E68-8F70-9A1B2C3D4E5F",
 "workspaces":[{"id":"0B1C2D3E-4F50-4617-8829-3A4B5C6D7E8F","name":"Default"}]}
EOF

start_client "$testclient"
open_window a "class=Alpha appid=org.test.Alpha pid=4242 title='e2e Alpha notes' x=20 y=420 w=300 h=200" >/dev/null
open_window b "class=Beta appid=org.test.Beta pid=4343 title='e2e Beta board' x=340 y=420 w=300 h=200" >/dev/null
open_window g "class=Gamma appid=org.test.Gamma pid=4444 title='Gamma chat' x=660 y=420 w=300 h=200" >/dev/null

# The JSON of a file with its keys sorted, so two files can be compared by content.
canonical() { python3 -c 'import json,sys; print(json.dumps(json.load(open(sys.argv[1])), sort_keys=True))' "$1"; }
workspace_count() { python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))["workspaces"]))' "$contexts"; }

# The Preferences screen scrolled to the end, where the configuration buttons are.
preferences_at_end() {
    click_in "$settings" "${preferences_tab[@]}"
    sleep 0.3
    window_origin "$settings"
    xdotool mousemove --sync $((win_x + form_middle[0])) $((win_y + form_middle[1]))
    xdotool click --repeat 12 --delay 20 5
    sleep 0.3
}
# Waits for a dialog or alert titled $1 and sets `dialog` to it.
dialog_up() {
    wait_for 5 has_window "$1" || fail "no window \"$1\""
    dialog=$(window_named "$1")
    xdotool windowactivate --sync "$dialog" 2>/dev/null || true
    sleep 0.3
}

start_morvelan
open_settings

echo "== Context editor"
shot settings-contexts "$settings"
click_in "$settings" "${first_context[@]}"
xdotool click --repeat 2 --delay 80 1
dialog_up "Edit Context"
click_in "$dialog" "${rule_matches[@]}"
sleep 0.4
shot context-editor "$dialog"
xdotool key Escape
wait_for 5 no_window "Edit Context" || fail "Escape did not close the context editor"
echo "ok: a double-click opens the editor"

echo "== Export"
click_in "$settings" "${preferences_tab[@]}"
sleep 0.3
shot settings-preferences "$settings"
preferences_at_end
click_in "$settings" "${export_button[@]}"
dialog_up "Export Configuration"
# The offered name, in the home folder.
xdotool key Return
wait_for 5 test -s "$exported" || fail "Export… wrote nothing to $exported"
[[ $(canonical "$exported") == "$(canonical "$contexts")" ]] ||
    fail "the export differs from contexts.json"
echo "ok: exported to ~/morvelan-config.json"

echo "== A change, then Import of the export"
click_in "$settings" "${workspaces_tab[@]}"
sleep 0.3
click_in "$settings" "${add_workspace[@]}"
two_workspaces() { [[ $(workspace_count) == 2 ]]; }
wait_for 5 two_workspaces || fail "+ did not add a workspace: $(workspace_count)"
preferences_at_end
click_in "$settings" "${import_button[@]}"
dialog_up "Import Configuration"
xdotool type --delay 5 "$exported"
xdotool key Return
dialog_up "Replace current configuration?"
xdotool key Return
imported() { cmp -s "$contexts" "$exported"; }
wait_for 5 imported || fail "after Import contexts.json is not the exported file: $(cat "$contexts")"
echo "ok: the configuration is back, byte for byte"

echo "== Reload of a hand-broken contexts.json"
python3 - "$contexts" <<'EOF'
import json, sys
data = json.load(open(sys.argv[1]))
del data["contexts"][1]["colorHex"]
json.dump(data, open(sys.argv[1], "w"), indent=2)
EOF
broken=$(cat "$contexts")
click_in "$settings" "${reload_button[@]}"
dialog_up "Config not applied"
message=$(alert_text "Config not applied") || fail "could not read the reload alert"
expected=$'Missing required field “colorHex”.\n\nThe previous configuration is still active.'
[[ $message == "$expected" ]] || fail "reload said: $message"
xdotool key Return
wait_for 5 no_window "Config not applied" || fail "OK did not close the alert"
[[ $(cat "$contexts") == "$broken" ]] || fail "the failed reload touched contexts.json"
echo 'ok: "Missing required field “colorHex”.", nothing changed'

stop_morvelan
echo "settings-config: 4 passed, 0 failed"
