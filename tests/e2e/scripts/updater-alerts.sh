#!/usr/bin/env bash
# The update check's alerts in the real program: with the update server down, "Check for
# Updates…" on the About screen says "Update check failed" and the automatic check at launch
# says nothing (both when nothing listens and when the server answers 503); a newer release
# is offered even by the automatic check, and "Later" downloads nothing.
# Runs inside scripts/xvfb-session --tray; $1 is the morvelan binary. Only 127.0.0.1 is used.
set -euo pipefail
morvelan_built=$1
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"

# Where the controls are inside the 760 × 580 settings window.
about_tab=(716 25)
check_for_updates=(323 385)

mkdir -p "$config_dir"
printf '{"hasSeenIntro":true}\n' >"$config_dir/settings.json"

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# A release server on 127.0.0.1: answers /release/latest.json with the file `latest.json` of
# its folder, or 503 with no body while there is none; logs every path it is asked for.
served=$MORVELAN_SESSION_DIR/served
mkdir -p "$served"
port=$(free_port)
python3 - "$served" "$port" >"$served/requests.log" 2>/dev/null <<'EOF' &
import http.server, os, sys
folder, port = sys.argv[1], int(sys.argv[2])
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        print(self.path, flush=True)
        path = os.path.join(folder, "latest.json")
        if self.path == "/release/latest.json" and os.path.exists(path):
            body = open(path, "rb").read()
            self.send_response(200)
            self.send_header("Content-Type", "application/json")
        else:
            body = b""
            self.send_response(503)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
http.server.HTTPServer(("127.0.0.1", port), Handler).serve_forever()
EOF
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true' EXIT
server_up() { python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; }
wait_for 10 server_up || fail "the release server did not start"
served_url=http://127.0.0.1:$port/release/latest.json
# Nothing listens here.
down_url=http://127.0.0.1:$(free_port)/release/latest.json

# A bundle that is not a development build, so the automatic check runs 4 s after launch.
bundle=$MORVELAN_SESSION_DIR/Applications/Morvelan.app
mkdir -p "$bundle"
cp "$morvelan_built" "$bundle/morvelan"
printf '{"CFBundleShortVersionString":"0.1.0","MorvelanDevBuild":false}\n' >"$bundle/Info.json"

manifest_requests() { grep -c '^/release/latest.json$' "$served/requests.log" || true; }
any_alert() {
    has_window "Update check failed" || has_window "You're up to date" ||
        [[ -n $(xdotool search --onlyvisible --name '^Update available' 2>/dev/null) ]]
}

echo "== Manual check, server down"
morvelan=$morvelan_built
start_morvelan MORVELAN_RELEASE_URL="$down_url"
open_settings
click_in "$settings" "${about_tab[@]}"
sleep 0.3
click_in "$settings" "${check_for_updates[@]}"
wait_for 20 has_window "Update check failed" || fail "no \"Update check failed\" alert"
sleep 0.3
shot update-check-failed "$(window_named "Update check failed")"
text=$(alert_text "Update check failed") || fail "could not read the alert"
[[ $text == "Couldn't reach the update server." ]] || fail "the alert said: $text"
xdotool key Return
wait_for 5 no_window "Update check failed" || fail "OK did not close the alert"
stop_morvelan
echo "ok: \"Update check failed\" / \"Couldn't reach the update server.\""

echo "== Automatic check, nothing listening"
morvelan=$bundle/morvelan
start_morvelan MORVELAN_RELEASE_URL="$down_url"
# The check runs 4 s after launch and fails at once on a refused connection.
if wait_for 8 any_alert; then fail "the automatic check showed an alert"; fi
stop_morvelan
echo "ok: silent"

echo "== Automatic check, server answering 503"
start_morvelan MORVELAN_RELEASE_URL="$served_url"
asked() { (($(manifest_requests) >= 1)); }
wait_for 10 asked || fail "the automatic check did not ask for the manifest"
if wait_for 3 any_alert; then fail "the automatic check showed an alert"; fi
stop_morvelan
echo "ok: asked, and silent"

echo "== Automatic check, newer release"
printf '{"version":"v0.2.0","url":"http://127.0.0.1:%s/Morvelan.zip"}\n' "$port" \
    >"$served/latest.json"
start_morvelan MORVELAN_RELEASE_URL="$served_url"
offer="Update available — Morvelan 0.2.0"
wait_for 10 has_window "$offer" || fail "no update offer"
sleep 0.3
shot update-alert "$(window_named "$offer")"
text=$(alert_text "$offer") || fail "could not read the offer"
[[ $text == "You have 0.1.0. Download and install now? Morvelan will relaunch." ]] ||
    fail "the offer said: $text"
xdotool key Escape
wait_for 5 no_window "$offer" || fail "Escape did not answer Later"
sleep 1
if grep -q Morvelan.zip "$served/requests.log"; then fail "Later downloaded the release"; fi
stop_morvelan
echo "ok: offered, and Later downloads nothing"
echo "updater-alerts: 4 passed, 0 failed"
