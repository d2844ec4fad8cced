#!/usr/bin/env bash
# Screenshots of the switcher panel from the program itself on a real X server, at twice the
# size (QT_SCALE_FACTOR=2): all contexts, confined to one, and filtering. Run by hand:
#
#   scripts/xvfb-session --size 2560x1600 tools/switcher-screenshots.sh \
#       BUILD/src/qt/morvelan BUILD/tests/e2e/morvelan_testclient OUTPUT-FOLDER
#
# Writes switcher-all.png, switcher-confined.png and switcher-filter.png, each cropped to the
# panel with a margin of the desktop around it.
set -euo pipefail
morvelan=$1
testclient=$2
out=${3:-/tmp}
mkdir -p "$out"
data="$XDG_DATA_HOME/Morvelan"
margin=48

# The end-to-end scripts' helpers: the test client, waiting with deadlines, failing.
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/../tests/e2e/scripts/gui.sh"

convert -size 2560x1600 gradient:'#3B4A5E'-'#1F2631' "$MORVELAN_SESSION_DIR/desktop.png"
display -window root "$MORVELAN_SESSION_DIR/desktop.png" || true

mkdir -p "$XDG_CONFIG_HOME/Morvelan" "$data"
chmod 700 "$data"
echo '{"hasSeenIntro":true,"autoUpdate":false,"launchAtLoginConfigured":true,"switcherDelayMs":0,"switcherShowAll":true}' \
    >"$XDG_CONFIG_HOME/Morvelan/settings.json"

start_client "$testclient"
# Six windows of five applications above and below the middle of the screen, where the
# panel opens: the margin around it shows the desktop.
inbox=$(open_window w1 "class=Thunderbird appid=org.mozilla.Thunderbird title='Inbox — Thunderbird' pid=7101 x=60 y=60 w=760 h=400 color=E9EEF5")
code=$(open_window w2 "class=Kate appid=org.kde.kate title='SwitcherView.cpp — Kate' pid=7102 x=900 y=60 w=760 h=400 color=F5F1E6")
notes=$(open_window w3 "class=Firefox appid=org.mozilla.firefox title='Release notes draft — Firefox' pid=7103 x=1740 y=60 w=760 h=400 color=FFFFFF")
music=$(open_window w4 "class=Rhythmbox appid=org.gnome.Rhythmbox3 title='' pid=7104 x=60 y=1120 w=760 h=400 color=2B2B33")
term=$(open_window w5 "class=Konsole appid=org.kde.konsole title='Terminal' pid=7105 x=900 y=1120 w=760 h=400 color=1E1F29")
news=$(open_window w6 "class=Firefox appid=org.mozilla.firefox title='News — Firefox' pid=7103 x=1740 y=1120 w=760 h=400 color=FAFAFA")
# openbox puts its own icon on a client that has none, maybe after ours: set it until it stays.
for pair in w1:3B82F6 w2:F59E0B w3:10B981 w6:10B981 w4:EF4444 w5:8B5CF6; do
    id=${pair%%:*}
    window=$(sed -n "s/^ready $id \(0x[0-9a-f]*\).*/\1/p" "$client_out" | tail -n 1)
    has_icon() { xprop -id "$window" _NET_WM_ICON | grep -aq 'Icon (64 x 64)'; }
    for _ in 1 2 3 4 5; do
        client_send "icon $id 64 ${pair##*:}"
        sleep 0.2
        has_icon && break
    done
done

# Two workspaces: Work with Mail and Code, Home with Music. The release notes belong to both
# Mail (pinned) and Code (a title rule).
cat >"$data/contexts.json" <<EOF
{"activeID":"00000000-0000-4000-8000-000000000002","workspaces":[
 {"id":"00000000-0000-4000-8000-0000000000A1","name":"Work"},
 {"id":"00000000-0000-4000-8000-0000000000A2","name":"Home"}],
"contexts":[
 {"id":"00000000-0000-4000-8000-000000000001","name":"Mail","colorHex":"#FF6B6B","workspaceID":"00000000-0000-4000-8000-0000000000A1",
  "members":[{"bundleID":"org.mozilla.firefox","title":"Release notes draft — Firefox","matchAppOnly":false,"wid":$((notes))}],
  "rules":[{"exclude":false,"clauses":[{"field":"appName","op":"contains","value":"Thunderbird"}]}]},
 {"id":"00000000-0000-4000-8000-000000000002","name":"Code","colorHex":"#4ECDC4","workspaceID":"00000000-0000-4000-8000-0000000000A1",
  "members":[],
  "rules":[{"exclude":false,"clauses":[{"field":"appName","op":"contains","value":"Kate"}]},
           {"exclude":false,"clauses":[{"field":"appName","op":"contains","value":"Konsole"}]},
           {"exclude":false,"clauses":[{"field":"title","op":"contains","value":"Release notes"}]}]},
 {"id":"00000000-0000-4000-8000-000000000003","name":"Music","colorHex":"#6C5CE7","workspaceID":"00000000-0000-4000-8000-0000000000A2",
  "members":[{"bundleID":"org.gnome.Rhythmbox3","title":"","matchAppOnly":true}],"rules":[]}]}
EOF

QT_SCALE_FACTOR=2 "$morvelan" &
pid=$!
trap 'kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null; stop_client' EXIT
wait_for 10 grep -q tapActive=true "$data/status.log" 2>/dev/null || fail "morvelan did not start"

# Recency, most recent last; each focus once morvelan has seen it.
# The program's window ids are its own: the title tells which window it logged.
for wid in $news $music $term $notes $code $inbox; do
    xdotool windowactivate --sync "$wid" 2>/dev/null || true
    title=$(xdotool getwindowname "$wid")
    wait_for 10 grep -qxF "title=$title" "$data/focused.log" 2>/dev/null || fail "focus on $title not seen"
done

shown() { xwininfo -name "Morvelan Switcher" 2>/dev/null | grep -q IsViewable; }
hidden() { ! shown; }

# Crops the screen to the panel and a margin around it.
panel_shot() {
    local name=$1 geometry x y w h
    wait_for 10 shown || fail "no panel for $name"
    sleep 0.5
    geometry=$(xwininfo -name "Morvelan Switcher")
    x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$geometry")
    y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$geometry")
    w=$(awk '/Width:/ {print $NF}' <<<"$geometry")
    h=$(awk '/Height:/ {print $NF}' <<<"$geometry")
    import -window root "$MORVELAN_SESSION_DIR/screen.png"
    convert "$MORVELAN_SESSION_DIR/screen.png" \
        -crop "$((w + 2 * margin))x$((h + 2 * margin))+$((x - margin))+$((y - margin))" +repage \
        "$out/$name.png"
}

# All contexts ("All" was the last choice), the third window selected.
xdotool keydown super key Tab key Tab
panel_shot switcher-all
xdotool key Escape keyup super
wait_for 10 hidden || fail "the panel stayed open"

# Confined with Alt to the active context: Mail, that of the window focused last.
xdotool keydown alt key Tab
panel_shot switcher-confined
xdotool key Escape keyup alt
wait_for 10 hidden || fail "the panel stayed open"

# Filtering by typing after Super+F.
xdotool keydown super key Tab key f type fire
panel_shot switcher-filter
xdotool key Escape keyup super
echo "switcher-screenshots: wrote $out/switcher-all.png, switcher-confined.png, switcher-filter.png"
