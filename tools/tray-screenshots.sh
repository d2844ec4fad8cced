#!/usr/bin/env bash
# Screenshots of morvelan's tray icon and menu, taken from the program itself (not a driver):
# the icon in two context colours, the menu opened with a right click, and the menu with Alt
# held. Run by hand:
#
#   scripts/xvfb-session --tray tools/tray-screenshots.sh \
#       BUILD/src/qt/morvelan BUILD/tests/e2e/morvelan_testclient OUTPUT-FOLDER
#
# Writes tray-icon-red.png, tray-icon-teal.png, tray-menu.png and tray-menu-alt.png.
set -euo pipefail
morvelan=$1
testclient=$2
out=${3:-/tmp}
mkdir -p "$out"
data="$XDG_DATA_HOME/Morvelan"

# The end-to-end scripts' helpers: the test client, waiting with deadlines, failing.
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/../tests/e2e/scripts/gui.sh"

# A desktop colour, so the tray and the menu stand out as they do on a real desktop.
if command -v xsetroot >/dev/null; then
    xsetroot -solid '#2E3440'
elif command -v display >/dev/null; then
    convert -size 16x16 xc:'#2E3440' "$MORVELAN_SESSION_DIR/desktop.png"
    display -window root "$MORVELAN_SESSION_DIR/desktop.png" || true
fi

mkdir -p "$XDG_CONFIG_HOME/Morvelan" "$data"
chmod 700 "$data"
echo '{"hasSeenIntro":true,"autoUpdate":false}' >"$XDG_CONFIG_HOME/Morvelan/settings.json"

# Windows of four applications; Music's player is not running, so its context is disabled.
start_client "$testclient"
inbox=$(open_window m1 "class=Mail appid=org.example.Mail title='Inbox' pid=7001 x=40 y=420 color=F4E1E1")
draft=$(open_window m2 "class=Mail appid=org.example.Mail title='Draft' pid=7001 x=80 y=460 color=F4E1E1")
editor=$(open_window e1 "class=Editor appid=org.example.Editor title='main.cpp' pid=7002 x=460 y=420 color=DDEFEF")
docs=$(open_window d1 "class=Reader appid=org.example.Reader title='Manual' pid=7003 x=500 y=460 color=E8E8F4")
notes=$(open_window n1 "class=Notes appid=org.example.Notes title='Groceries' pid=7004 x=860 y=440 color=F4F0DC")

work=0A000000-0000-4000-8000-000000000001
home=0B000000-0000-4000-8000-000000000002
mail=1A000000-0000-4000-8000-000000000001
code=1B000000-0000-4000-8000-000000000002
music=1C000000-0000-4000-8000-000000000003
errands=1D000000-0000-4000-8000-000000000004
pin() { printf '{"bundleID":"%s","title":"%s","matchAppOnly":false}' "$1" "$2"; }
cat >"$data/contexts.json" <<EOF
{"contexts":[
 {"id":"$mail","name":"Mail","colorHex":"#FF6B6B","workspaceID":"$work","rules":[],
  "members":[$(pin org.example.Mail Inbox),$(pin org.example.Mail Draft)]},
 {"id":"$code","name":"Code & Docs","colorHex":"#4ECDC4","workspaceID":"$work","rules":[],
  "members":[$(pin org.example.Editor main.cpp),$(pin org.example.Reader Manual)]},
 {"id":"$music","name":"Music","colorHex":"#6C5CE7","workspaceID":"$home","rules":[],
  "members":[$(pin org.example.Player Radio)]},
 {"id":"$errands","name":"Errands","colorHex":"#FDCB6E","workspaceID":"$home","rules":[],
  "members":[$(pin org.example.Notes Groceries)]}],
 "activeID":"$mail",
 "workspaces":[{"id":"$work","name":"Work"},{"id":"$home","name":"Home"}]}
EOF

"$morvelan" >"$MORVELAN_SESSION_DIR/morvelan.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; stop_client' EXIT
wait_for 10 test -s "$data/status.log" || fail "morvelan did not start"

icon_window() { xdotool search --classname '^morvelan$' 2>/dev/null | while read -r w; do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && xwininfo -id "$w" |
        grep -q 'Width: [0-9][0-9]$' && echo "$w"
done | head -n1 || true; }
has_icon() { [[ -n $(icon_window) ]]; }
wait_for 10 has_icon || fail "no tray icon"
icon=$(icon_window)
eval "$(xdotool getwindowgeometry --shell "$icon")"
icon_x=$((X + WIDTH / 2))
icon_y=$((Y + HEIGHT / 2))

# The top right corner: the tray with its icon.
corner() { import -window root -crop 120x40+1160+0 +repage "$out/$1"; }
active_is() { grep -q "\"activeID\":\"$1\"" "$data/contexts.json"; }

xdotool windowactivate --sync "$inbox"
wait_for 10 active_is "$mail" || fail "Mail did not become active"
sleep 0.5
corner tray-icon-red.png

xdotool windowactivate --sync "$editor"
wait_for 10 active_is "$code" || fail "Code & Docs did not become active"
sleep 0.5
corner tray-icon-teal.png

# The menu, opened as a user does: right click on the icon, then over an item.
menu_window() { xwininfo -root -children | awk '/\("morvelan" "Morvelan"\)/ {print $1}' |
    while read -r w; do
        xwininfo -id "$w" | grep -q 'Map State: IsViewable' &&
            xwininfo -id "$w" | grep -q 'Override Redirect State: yes' &&
            [[ $(xwininfo -id "$w" | awk '/Height:/ {print $2}') -gt 40 ]] && echo "$w"
    done | head -n1 || true; }
menu_open() { [[ -n $(menu_window) ]]; }
menu_closed() { [[ -z $(menu_window) ]]; }
open_menu() {
    xdotool mousemove --sync "$icon_x" "$icon_y" click 3
    wait_for 10 menu_open || fail "the menu did not open"
    sleep 0.5
}
shot_menu() {
    local w=$1
    eval "$(xdotool getwindowgeometry --shell "$w")"
    local left=$((X - 24))
    ((left > 0)) || left=0
    import -window root -crop "$((1280 - left))x$((Y + HEIGHT + 16))+$left+0" +repage "$out/$2"
}
open_menu
menu=$(menu_window)
eval "$(xdotool getwindowgeometry --shell "$menu")"
# Hover "Mail", the first context (the row below the "WORK" header), so the highlight shows.
xdotool mousemove --sync $((X + 60)) $((Y + 50))
sleep 0.4
shot_menu "$menu" tray-menu.png
xdotool key Escape
wait_for 10 menu_closed || fail "the menu did not close"

xdotool mousemove --sync "$icon_x" "$icon_y" keydown alt
open_menu
shot_menu "$(menu_window)" tray-menu-alt.png
xdotool keyup alt key Escape
echo "tray-screenshots: wrote $out/tray-icon-red.png tray-icon-teal.png tray-menu.png tray-menu-alt.png"
