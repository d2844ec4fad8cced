#!/usr/bin/env bash
# The update check's alerts in the real program, against a release server on 127.0.0.1: while
# it has no release (an error page), the automatic check at launch says nothing and "Check for
# Updates…" on the About screen says "Update check failed"; a newer release is offered even by
# the automatic check, and Escape answers "Later", which downloads nothing. A packaged build
# (as scripts/package makes it) asks nothing even with a release address, About names the
# package manager, and its login item starts the installed program.
# Runs inside scripts/xvfb-session --tray; $1 is morvelan_e2e_updates, the program with the
# release address from MORVELAN_TEST_RELEASE_URL. Only 127.0.0.1 is used.
# With MORVELAN_E2E_SHOTS set it also takes docs/update-alert.png.
set -euo pipefail
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"

# Where the controls are inside the 760 × 580 settings window.
about_tab=(716 25)
check_for_updates=(323 426)
updates_note=(380 442)

mkdir -p "$config_dir"
# Automatic checks are off until the user turns them on.
printf '{"hasSeenIntro":true,"autoUpdate":true}\n' >"$config_dir/settings.json"

# The release server: the folder `served`, so /release/latest.json is an error page (404) until
# the file is there; every request is logged.
served=$MORVELAN_SESSION_DIR/served
mkdir -p "$served/release"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$served" 2>"$served.log" >/dev/null &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true' EXIT
server_up() { python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; }
wait_for 10 server_up || fail "the release server did not start"

# A bundle that is not a development build, so the automatic check runs 4 s after launch.
bundle=$MORVELAN_SESSION_DIR/Applications/Morvelan.app
mkdir -p "$bundle"
cp "$1" "$bundle/morvelan"
printf '{"CFBundleShortVersionString":"0.1.0","MorvelanDevBuild":false}\n' >"$bundle/Info.json"
morvelan=$bundle/morvelan
release_url=MORVELAN_TEST_RELEASE_URL=http://127.0.0.1:$port/release/latest.json

asks() { grep -c '"GET /release/latest.json ' "$served.log" || true; }
asked() { (($(asks) > ${asks_before:-0})); }
downloaded() { grep -q Morvelan.zip "$served.log"; }
any_alert() {
    [[ -n $(xdotool search --onlyvisible --name "^(Update check failed|You're up to date|Update available.*)\$" 2>/dev/null) ]]
}

echo "== No release yet: the automatic check is silent, a manual one is not"
start_morvelan "$release_url"
wait_for 10 asked || fail "the automatic check did not ask for the manifest"
if wait_for 3 any_alert; then fail "the automatic check showed an alert"; fi
open_settings
click_in "$settings" "${about_tab[@]}"
sleep 0.3
click_in "$settings" "${check_for_updates[@]}"
wait_for 20 has_window "Update check failed" || fail "no \"Update check failed\" alert"
text=$(alert_text "Update check failed") || fail "could not read the alert"
[[ $text == "Couldn't reach the update server." ]] || fail "the alert said: $text"
xdotool key Return
wait_for 5 no_window "Update check failed" || fail "OK did not close the alert"
stop_morvelan
echo "ok: silent, then \"Update check failed\" / \"Couldn't reach the update server.\""

echo "== Automatic check, newer release"
printf '{"version":"v0.2.0","url":"http://127.0.0.1:%s/Morvelan.zip"}\n' "$port" \
    >"$served/release/latest.json"
start_morvelan "$release_url"
offer="Update available — Morvelan 0.2.0"
wait_for 10 has_window "$offer" || fail "no update offer"
sleep 0.3
shot update-alert "$(window_named "$offer")"
text=$(alert_text "$offer") || fail "could not read the offer"
[[ $text == "You have 0.1.0. Download and install now? Morvelan will relaunch." ]] ||
    fail "the offer said: $text"
xdotool key Escape
wait_for 5 no_window "$offer" || fail "Escape did not answer Later"
if wait_for 2 downloaded; then fail "Later downloaded the release"; fi
stop_morvelan
echo "ok: offered, and Later downloads nothing"

echo "== A packaged build"
asks_before=$(asks)
# A first launch again, so the login item is written.
printf '{"hasSeenIntro":true,"autoUpdate":true}\n' >"$config_dir/settings.json"
autostart=$XDG_CONFIG_HOME/autostart/morvelan.desktop
rm -f "$autostart"
start_morvelan "$release_url" MORVELAN_TEST_PACKAGED=/usr/bin/morvelan
if wait_for 7 asked; then fail "the packaged build checked for updates"; fi
open_settings
click_in "$settings" "${about_tab[@]}"
sleep 0.3
# A triple click selects the note; X puts it in the primary selection.
window_origin "$settings"
xdotool mousemove --sync $((win_x + updates_note[0])) $((win_y + updates_note[1])) \
    click --repeat 3 --delay 80 1
sleep 0.3
shot packaged-about "$settings"
note=$(xclip -o -selection primary 2>/dev/null || true)
[[ $note == "Updates come from your package manager." ]] || fail "About said: $note"
grep -qx 'Exec="/usr/bin/morvelan"' "$autostart" || fail "the login item: $(cat "$autostart")"
stop_morvelan
echo "ok: no check, \"$note\", the login item starts /usr/bin/morvelan"
echo "updater-alerts: 3 passed, 0 failed"
