# shellcheck shell=bash disable=SC2034
# gui.sh: sourced by the end-to-end scripts that drive the real program as a user would, with
# xdotool clicks and keys under scripts/xvfb-session --tray: start and stop it, open the
# settings from the tray menu, click inside a window, read an alert's text, take screenshots.
# The screenshot tools in tools/ source it too, for the test client and for waiting.
#
# The caller sets `morvelan` (the program) before calling start_morvelan. Screenshots go to
# $MORVELAN_E2E_SHOTS when it names a folder; without it `shot` does nothing.
# Needs xdotool, xwininfo, xclip and ImageMagick's import.

data_dir="$XDG_DATA_HOME/Morvelan"
config_dir="$XDG_CONFIG_HOME/Morvelan"
morvelan_pid=
morvelan_log="$MORVELAN_SESSION_DIR/morvelan.log"

fail() {
    echo "FAIL: $*" >&2
    shot "failure"
    if [[ -s $morvelan_log ]]; then
        echo "--- morvelan's output" >&2
        tail -n 20 "$morvelan_log" >&2
    fi
    echo "0 passed, 1 failed"
    exit 1
}

# Polls a command every 50 ms for up to $1 seconds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# shot NAME [WINDOW]: the screen, or only the inside of one window.
shot() {
    [[ -n ${MORVELAN_E2E_SHOTS:-} ]] || return 0
    mkdir -p "$MORVELAN_E2E_SHOTS"
    import -window "${2:-root}" "$MORVELAN_E2E_SHOTS/$1.png" 2>/dev/null || true
}

# The visible window whose whole title is $1, if any.
window_named() {
    local pattern
    pattern=$(sed 's/[][\\.^$*+?(){}|]/\\&/g' <<<"$1")
    xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | head -n1
}
has_window() { [[ -n $(window_named "$1") ]]; }
no_window() { [[ -z $(window_named "$1") ]]; }

# Sets win_x and win_y to the screen position of a window's top-left corner (inside the frame).
window_origin() {
    local info
    info=$(xwininfo -id "$1") || return 1
    win_x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    win_y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
}

# Clicks at ($2, $3) inside window $1.
click_in() {
    window_origin "$1" || return 1
    xdotool mousemove --sync $((win_x + $2)) $((win_y + $3)) click 1
}

# The embedded tray icon: the first child of trayer's panel larger than a pixel, as "X Y"
# of its centre on the screen.
tray_icon_centre() {
    local panel
    panel=$(xdotool search --name '^panel$' 2>/dev/null | head -n1)
    [[ -n $panel ]] || return 1
    xwininfo -children -id "$panel" |
        awk '$1 ~ /^0x/ && match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+/) {
            split(substr($0, RSTART, RLENGTH), p, /[ x+]+/)
            if (p[1] > 1 && p[2] > 1) { print p[5] + int(p[1] / 2), p[6] + int(p[2] / 2); exit }
        }' | grep .
}

# Starts the program in the background with any extra environment given as NAME=VALUE
# arguments, and waits for its tray icon.
start_morvelan() {
    env "$@" "$morvelan" >>"$morvelan_log" 2>&1 &
    morvelan_pid=$!
    wait_for 15 tray_icon_centre >/dev/null || fail "the tray icon did not appear"
}

# Asks the program to quit (SIGTERM) and waits for it.
stop_morvelan() {
    [[ -n $morvelan_pid ]] || return 0
    kill -TERM "$morvelan_pid" 2>/dev/null || true
    local status=0
    wait "$morvelan_pid" || status=$?
    morvelan_pid=
    [[ $status -eq 0 ]] || fail "morvelan exited with $status"
}

morvelan_windows() { xdotool search --onlyvisible --class '^morvelan$' 2>/dev/null | wc -l; }

# Tray icon → "Settings…" (the second item from the bottom), as a user clicks it. Sets
# `settings` to the settings window.
open_settings() {
    local before
    before=$(morvelan_windows)
    # shellcheck disable=SC2046
    xdotool mousemove --sync $(tray_icon_centre) click 1
    menu_open() { (($(morvelan_windows) > before)); }
    wait_for 5 menu_open || fail "the tray menu did not open"
    # Mapped a moment before it holds the keyboard.
    sleep 0.2
    xdotool key Up Up Return
    wait_for 5 has_window "Morvelan — Settings" || fail "Settings… did not open the settings window"
    settings=$(window_named "Morvelan — Settings")
    # Settled in place: the window manager centres it after mapping.
    sleep 0.3
}

# Clicks the close button of window $1's openbox frame and waits for the window to go.
close_window() {
    local name
    name=$(xdotool getwindowname "$1")
    window_origin "$1"
    local width
    width=$(xwininfo -id "$1" | sed -n 's/^ *Width: *//p')
    xdotool mousemove --sync $((win_x + width - 11)) $((win_y - 11)) click 1
    wait_for 5 no_window "$name" || fail "the close button did not close $name"
}

# The text of the alert window titled $1 under its title: Tab to each text, select it all and
# copy it; the first text that is not the title.
alert_text() {
    local alert text title=$1
    alert=$(window_named "$title")
    [[ -n $alert ]] || return 1
    xdotool windowactivate --sync "$alert" 2>/dev/null || true
    for _ in 1 2 3 4 5 6; do
        xdotool key --clearmodifiers Tab ctrl+a ctrl+c
        sleep 0.2
        text=$(xclip -o -selection clipboard 2>/dev/null) || continue
        if [[ -n $text && $text != "$title" ]]; then
            printf '%s' "$text"
            return 0
        fi
    done
    return 1
}

# start_client TESTCLIENT: runs the test client, fed through `client_send`; its lines go to
# $client_out. It quits when the script ends.
start_client() {
    local fifo=$MORVELAN_SESSION_DIR/testclient.in
    client_out=$MORVELAN_SESSION_DIR/testclient.out
    mkfifo "$fifo"
    "$1" <"$fifo" >"$client_out" 2>&1 &
    client_pid=$!
    exec 7>"$fifo"
    trap stop_client EXIT
}
stop_client() {
    echo quit >&7 2>/dev/null || true
    exec 7>&-
    wait "$client_pid" 2>/dev/null || true
}
client_send() { echo "$*" >&7; }
# Whether the test window with that id is up.
ready() { grep -q "^ready $1 " "$client_out"; }
# open_window ID OPTIONS…: opens a test window and waits for it; prints its X id.
open_window() {
    local id=$1
    shift
    client_send "open id=$id $*"
    wait_for 10 ready "$id" || fail "test window $id did not come up"
    sed -n "s/^ready $id \(0x[0-9a-f]*\|[0-9]*\).*/\1/p" "$client_out" | tail -n 1
}
