#!/usr/bin/env bash
# The introduction tour end to end: the first launch (no "hasSeenIntro") shows it as an
# ordinary window (never kept above Settings), and closing it with Escape or with the window
# manager's close button records that it was seen, so the next launch does not show it. Runs
# inside scripts/xvfb-session --tray; $1 is the morvelan binary.
set -euo pipefail
morvelan=$1
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"
tour="Welcome to Morvelan"
seen() {
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1])).get("hasSeenIntro"))' \
        "$config_dir/settings.json" 2>/dev/null
}
seen_recorded() { [[ $(seen) == True ]]; }

echo "== First launch, closed with Escape on page 2"
[[ ! -e $config_dir/settings.json ]] || fail "the session already has settings"
start_morvelan
wait_for 10 has_window "$tour" || fail "the first launch did not show the tour"
# An ordinary window: a dialog or a transient would be kept above Settings.
kind=$(xprop -id "$(window_named "$tour")" _NET_WM_WINDOW_TYPE WM_TRANSIENT_FOR)
[[ $kind == *_NET_WM_WINDOW_TYPE_NORMAL* && $kind != *"window id"* ]] ||
    fail "the tour is not an ordinary window: $kind"
xdotool windowactivate --sync "$(window_named "$tour")" 2>/dev/null || true
sleep 0.3
# Its second page is docs/intro.png.
xdotool key Return
sleep 0.4
shot tour-2 "$(window_named "$tour")"
! seen_recorded || fail "hasSeenIntro was set before the tour was closed"
xdotool key Escape
wait_for 5 no_window "$tour" || fail "Escape did not close the tour"
wait_for 5 seen_recorded || fail "closing the tour did not set hasSeenIntro: $(seen)"
stop_morvelan
start_morvelan
if wait_for 3 has_window "$tour"; then fail "the tour came back on the second launch"; fi
stop_morvelan
echo "ok: shown on first launch only"

echo "== The close button, with hasSeenIntro false"
printf '{"hasSeenIntro":false}\n' >"$config_dir/settings.json"
start_morvelan
wait_for 10 has_window "$tour" || fail "hasSeenIntro false did not show the tour"
close_window "$(window_named "$tour")"
wait_for 5 seen_recorded || fail "the close button did not set hasSeenIntro"
stop_morvelan
echo "ok: the close button counts as seen"
echo "tour: 2 passed, 0 failed"
