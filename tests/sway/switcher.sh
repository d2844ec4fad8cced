#!/usr/bin/env bash
# Morvelan on a headless sway: three foot windows of two applications on two workspaces.
# Morvelan binds Super-Tab for the session and lists what sway's tree holds; the binding opens
# the panel, which takes the keyboard; Escape cancels, a quick tap switches to the previous
# window, Super held with Tab Tab to the third; focus following makes the focused window's
# context active (status, status.log, contexts.json), and Alt-Tab keeps to that context's
# windows (matched by title). Every key is wtype's, as sway gets it: Super held is a modifier
# state, which XWayland tells as such, and each wtype lingers after its last key so that its
# keyboard is still there to give the panel that state. (XTEST keys into XWayland race with
# xdotool's remapping of keys missing from wtype's keymap.) Runs inside scripts/sway-session;
# $1 is the morvelan binary, $2 (optional) a PNG to save the open panel in.
set -euo pipefail
morvelan=$1
command -v foot >/dev/null && command -v wtype >/dev/null ||
    { echo "skipped: foot or wtype is missing"; exit 77; }
[[ -n ${DISPLAY:-} ]] || { echo "skipped: no XWayland"; exit 77; }
mkdir -p "$XDG_CONFIG_HOME/Morvelan"
printf '{"hasSeenIntro":true}\n' >"$XDG_CONFIG_HOME/Morvelan/settings.json"
mkdir -p "$HOME/.local/share/Morvelan"
ctx() { printf '{"id":"%s","name":"%s","colorHex":"#138A80","members":[],"match":"%s","rules":[]}' "$@"; }
desk=6F1D2C3B-4A59-4E68-8F70-9A1B2C3D4E5F
comms=1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D
echo "{\"contexts\":[$(ctx $desk Desk Alpha),$(ctx $comms Comms Beta)],\"activeID\":\"$desk\",\"workspaces\":[]}" \
    >"$HOME/.local/share/Morvelan/contexts.json"

focused() {
    swaymsg -t get_tree | python3 -c 'import json, sys
def walk(n):
    if n.get("focused"): print(n.get("name"))
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin))'
}
until_() { for _ in $(seq 50); do eval "$1" && return 0; sleep 0.1; done; echo "FAIL: $1"; exit 1; }
foot -a alpha -T "Alpha one" sleep 600 &
until_ '[[ $(focused) == "Alpha one" ]]'
swaymsg -q workspace 2
foot -a alpha -T "Alpha two" sleep 600 &
until_ '[[ $(focused) == "Alpha two" ]]'
foot -a beta -T Beta sleep 600 &
until_ '[[ $(focused) == Beta ]]'

"$morvelan" >"$MORVELAN_SESSION_DIR/morvelan.log" 2>&1 &
until_ 'grep -q "added the sway binding Mod4+Tab" "$MORVELAN_SESSION_DIR/morvelan.log"'
listed=$("$morvelan" windows | cut -c32- | sed "s/^ *//; s/  \[.*\]$//" | sort | tr '\n' '|')
tree=$(swaymsg -t get_tree | python3 -c 'import json, sys
def walk(n):
    if n.get("pid"): print(n["name"])
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin))' | sort | tr '\n' '|')
echo "listed: $listed"
[[ $listed == "$tree" ]] || { echo "FAIL: the tree holds $tree"; exit 1; }

# Super held while the panel is open (wtype keeps it down in the background).
wtype -M logo -k Tab -s 1500 -k Escape -s 800 -m logo -s 300 &
holding=$!
until_ '[[ $(focused) == "Morvelan Switcher" ]]'
[[ -n ${2:-} ]] && { sleep 0.3; grim "$2"; }
wait "$holding"
until_ '[[ $(focused) == Beta ]]'
echo "Escape cancels"
wtype -M logo -k Tab -m logo -s 1000
until_ '[[ $(focused) == "Alpha two" ]]'
echo "a quick tap of Super+Tab switches to the previous window"
# Super held: sway runs the binding again at the second Tab, and the release commits.
wtype -M logo -k Tab -s 700 -k Tab -s 700 -m logo -s 1000
until_ '[[ $(focused) == "Alpha one" ]]'
echo "Super held with Tab Tab switches to the third window"
until_ '[[ $("$morvelan" status) == Desk ]]'
swaymsg -q '[title="^Beta$"] focus'
until_ '[[ $("$morvelan" status) == Comms ]]'
grep -q "\"activeID\": *\"$comms\"" "$HOME/.local/share/Morvelan/contexts.json" ||
    { echo "FAIL: contexts.json did not follow"; exit 1; }
until_ 'grep -q "^  \* Comms:" "$HOME/.local/share/Morvelan/status.log"'
echo "focus following makes Comms active"
swaymsg -q '[title="^Alpha two$"] focus'
until_ '[[ $("$morvelan" status) == Desk ]]'
# Alt-Tab keeps to Desk: the previous window is Beta, the previous of Desk's is Alpha one.
wtype -M alt -k Tab -m alt -s 1000
until_ '[[ $(focused) == "Alpha one" ]]'
echo "Alt-Tab keeps to the active context"
