#!/usr/bin/env bash
# Scripting the running program, end to end. Without a session bus, through the command
# line's socket: "not running", status, activate (contexts.json and the tray follow),
# refusals that change nothing, a socket of another user, status --watch once per change,
# and `morvelan switcher` with Super held. Then on a session bus of its own: gdbus lists,
# activates (one signal), and refuses a bad name and a malformed argument.
# Runs inside scripts/xvfb-session --tray --wm i3; $1 is the morvelan binary, $2 morvelan_testclient.
set -euo pipefail
morvelan=$1
testclient=$2
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"

desk=6F1D2C3B-4A59-4E68-8F70-9A1B2C3D4E5F
comms=1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D
mkdir -p "$data_dir" "$config_dir"
printf '{"hasSeenIntro":true}\n' >"$config_dir/settings.json"
ctx() { printf '{"id":"%s","name":"%s","colorHex":"%s","members":[],"match":"%s","rules":[]}' "$@"; }
cat >"$data_dir/contexts.json" <<EOF2
{"contexts":[$(ctx $desk Desk '#138A80' e2e),$(ctx $comms Comms '#D9480F' 'e2e Beta'),
$(ctx 2A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D Spare '#5F3DC4' none),
$(ctx 3A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D SPARE '#5F3DC4' none)],"activeID":"$desk","workspaces":[]}
EOF2
file=$data_dir/contexts.json
active_id() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["activeID"])' "$file"; }
# Runs morvelan with the arguments; sets `out` (stdout and stderr) and `code`.
cli() {
    code=0
    out=$("$morvelan" "$@" 2>&1) || code=$?
    echo "\$ morvelan $* → $code: $out"
}
# The colours of the tray icon; whether it shows colour $1 (the active context's dot).
tray_colours() {
    local x y
    read -r x y < <(tray_icon_centre) || return 1
    import -window root -crop 24x24+$((x - 12))+$((y - 12)) -depth 8 txt:- 2>/dev/null |
        awk 'NR > 1 { print $3 }' | sort -u | tr '\n' ' '
}
tray_shows() { [[ $(tray_colours) == *"$1"* ]]; }

echo "== Not running"
cli status
[[ $code -eq 3 && $out == *"not running"* ]] || fail "status without a running copy"

start_client "$testclient"
open_window a "class=Alpha title='e2e Alpha' x=40 y=80 w=400 h=300" >/dev/null
open_window b "class=Beta title='e2e Beta' x=480 y=80 w=400 h=300" >/dev/null
active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
is_active() { [[ $(active_title) == "$1" ]]; }
wait_for 5 is_active "e2e Beta" || fail "Beta is not focused: $(active_title)"
start_morvelan
socket=$(echo "$XDG_RUNTIME_DIR"/morvelan-*.sock)
[[ -S $socket && $(stat -c %a "$socket") == 600 ]] || fail "socket $socket is not private"

echo "== The switcher from i3's Super+grave binding, grave held a while"
echo "bindsym Mod4+grave exec --no-startup-id $(realpath "$morvelan") switcher" >>"$MORVELAN_SESSION_DIR/i3.config"
i3-msg reload >/dev/null
sleep 0.5
xdotool keydown super keydown grave
sleep 0.3 # i3 holds the keyboard until grave is up
xdotool keyup grave
wait_for 5 has_window "Morvelan Switcher" || fail "morvelan switcher opened nothing"
xdotool keyup super
wait_for 5 no_window "Morvelan Switcher" || fail "releasing Super did not close the switcher"
wait_for 5 is_active "e2e Alpha" || fail "releasing Super did not switch to Alpha: $(active_title)"

echo "== Activate and status over the socket"
"$morvelan" status --watch --json >"$MORVELAN_SESSION_DIR/watch" &
watch_pid=$!
wait_for 5 test -s "$MORVELAN_SESSION_DIR/watch" || fail "status --watch printed nothing"
cli status
[[ $code -eq 0 && $out == Desk ]] || fail "status: $out"
cli activate comms --json
[[ $code -eq 0 && $out == *'"name":"Comms"'* ]] || fail "activate comms"
wait_for 5 tray_shows "#D9480F" || fail "the tray does not show Comms' colour: $(tray_colours)"
[[ $(active_id) == "$comms" ]] || fail "contexts.json did not follow: $(active_id)"
wait_for 5 is_active "e2e Beta" || fail "Comms' window did not come forward"
cli status
[[ $out == Comms ]] || fail "status after activate: $out"
cli contexts
[[ $out == *"* Comms"*"1 window "* ]] || fail "contexts"
cli windows --json
[[ $out == *'"title":"e2e Alpha"'* && $out == *'"contexts":["Desk","Comms"]'* ]] || fail "windows"

echo "== Refusals change nothing"
before=$(md5sum <"$file")
cli activate spare
[[ $code -eq 4 && $out == *"2 contexts are named"* ]] || fail "an ambiguous name was not refused"
cli activate Nowhere --json
[[ $code -eq 4 && $out == *'"error":"refused"'* ]] || fail "an unknown name was not refused"
cli pin Comms
[[ $code -eq 4 && $out == *"already in Comms"* ]] || fail "pinning twice"
cli activate
[[ $code -eq 2 ]] || fail "activate without a name"
# What a careless script may write to the socket: each line gets a refusal, nothing more.
replies=$(python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1])
s.sendall(b"not json\n" + b"[" * 5000 + b"\n{\"command\":42}\n{\"command\":\"activate\",\"context\":7}\n"
          b"{\"command\":\"pin\",\"window\":-1}\n{\"command\":\"switcher\",\"confined\":\"yes\"}\n")
s.shutdown(socket.SHUT_WR); print(s.makefile().read())' "$socket")
echo "$replies"
[[ $(grep -c '"ok":false' <<<"$replies") -eq 6 ]] || fail "malformed requests: $replies"
[[ $(md5sum <"$file") == "$before" ]] || fail "a refused request changed contexts.json"
sleep 2.5 # two focus polls: no more lines
kill "$watch_pid"
[[ $(wc -l <"$MORVELAN_SESSION_DIR/watch") -eq 2 ]] ||
    fail "status --watch: $(cat "$MORVELAN_SESSION_DIR/watch")"
echo "ok: status --watch printed the status and one change"

echo "== A socket that is not the user's own"
if ((EUID == 0)); then
    chown 65534 "$socket"
    cli status
    chown 0 "$socket"
    [[ $code -eq 1 && $out == *"belongs to user 65534"* ]] || fail "another user's socket"
else
    echo "skip: changing the socket's owner needs root"
fi
chmod 666 "$socket"
cli status
chmod 600 "$socket"
[[ $code -eq 1 && $out == *"other users may open it"* ]] || fail "a socket others may open"
stop_morvelan

echo "== On a session bus"
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
DBUS_SESSION_BUS_ADDRESS=$(head -n1 <<<"$bus")
export DBUS_SESSION_BUS_ADDRESS
bus_pid=$(sed -n 2p <<<"$bus")
trap 'stop_client; kill "$bus_pid"' EXIT
start_morvelan
name=io.github.morvelan.Morvelan
object=/io/github/morvelan/Morvelan
call() {
    code=0
    out=$(gdbus call --session --dest $name --object-path $object --method "$name.$1" "${@:2}" 2>&1) ||
        code=$?
    echo "\$ gdbus call … $1 ${*:2} → $code: $out"
}
gdbus monitor --session --dest $name >"$MORVELAN_SESSION_DIR/monitor" &
monitor_pid=$!
sleep 0.5
# The introspection data in the repository is what the program offers.
interface() { python3 -c 'import re,sys; print(re.search(r"<interface name=\"io.github.morvelan.Morvelan\">.*?</interface>", sys.stdin.read(), re.S).group(0))'; }
gdbus introspect --session --dest $name --object-path $object --xml | interface >"$MORVELAN_SESSION_DIR/live.xml"
interface <"$(dirname "$0")/../../../data/dbus/$name.xml" | diff - "$MORVELAN_SESSION_DIR/live.xml" ||
    fail "data/dbus/$name.xml is not what the program offers"
call ListContexts
[[ $out == *"'active': <true>, 'colour': <'#D9480F'>"* ]] || fail "ListContexts"
call ListWindows
[[ $out == *"'title': <'e2e Beta'>"* ]] || fail "ListWindows"
call ActivateContext Desk
[[ $code -eq 0 && $(active_id) == "$desk" ]] || fail "ActivateContext Desk"
wait_for 5 tray_shows "#138A80" || fail "the tray does not show Desk's colour"
before=$(md5sum <"$file")
call ActivateContext spare
[[ $code -ne 0 && $out == *"Error.Refused"*"2 contexts are named"* ]] || fail "ambiguous name"
code=0
out=$(dbus-send --session --print-reply --dest=$name $object $name.ActivateContext int32:7 2>&1) ||
    code=$?
echo "\$ dbus-send … ActivateContext int32:7 → $code: $out"
[[ $code -ne 0 ]] || fail "a malformed argument was accepted"
call PinWindow "''" 424242
[[ $code -ne 0 && $out == *"no window 424242"* ]] || fail "PinWindow of no window"
sleep 2.5
kill "$monitor_pid"
[[ $(md5sum <"$file") == "$before" ]] || fail "a refused call changed contexts.json"
signals=$(grep -c "ActiveContextChanged" "$MORVELAN_SESSION_DIR/monitor" || true)
grep "ActiveContextChanged" "$MORVELAN_SESSION_DIR/monitor"
[[ $signals -eq 1 ]] || fail "ActiveContextChanged arrived $signals times"
stop_morvelan
echo "1 passed, 0 failed"
