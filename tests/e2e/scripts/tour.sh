#!/usr/bin/env bash
# The introduction tour end to end: the first launch (no "hasSeenIntro") shows it, its four
# pages step with Return, closing it records that it was seen, and the next launch does not
# show it. Runs inside scripts/xvfb-session --tray; $1 is the morvelan binary.
set -euo pipefail
morvelan=$1
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"
tour="Welcome to Morvelan"

seen() {
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1])).get("hasSeenIntro"))' \
        "$config_dir/settings.json" 2>/dev/null
}

echo "== First launch"
[[ ! -e $config_dir/settings.json ]] || fail "the session already has settings"
start_morvelan
wait_for 10 has_window "$tour" || fail "the first launch did not show the tour"
window=$(window_named "$tour")
xdotool windowactivate --sync "$window" 2>/dev/null || true
sleep 0.3
shot tour-1 "$window"
for page in 2 3 4; do
    xdotool key Return
    sleep 0.4
    shot "tour-$page" "$window"
done
[[ $(seen) != True ]] || fail "hasSeenIntro was set before the tour was closed"

echo "== Closing with Escape"
xdotool key Escape
wait_for 5 no_window "$tour" || fail "Escape did not close the tour"
wait_for 5 test "$(seen)" = True || fail "closing the tour did not set hasSeenIntro: $(seen)"
stop_morvelan
echo "ok: shown on first launch, hasSeenIntro set on closing"

echo "== Second launch"
start_morvelan
if wait_for 3 has_window "$tour"; then fail "the tour came back on the second launch"; fi
stop_morvelan
echo "ok: not shown again"

echo "== Close button on page 1, with hasSeenIntro false"
printf '{"hasSeenIntro":false}\n' >"$config_dir/settings.json"
start_morvelan
wait_for 10 has_window "$tour" || fail "hasSeenIntro false did not show the tour"
close_window "$(window_named "$tour")"
wait_for 5 test "$(seen)" = True || fail "the close button did not set hasSeenIntro"
stop_morvelan
start_morvelan
if wait_for 3 has_window "$tour"; then fail "the tour came back after the close button"; fi
stop_morvelan
echo "ok: the close button counts as seen"
echo "tour: 3 passed, 0 failed"
