#!/usr/bin/env bash
# Start-up end to end: the command line, an unreachable display, the first launch writes the Default context in private
# files, a second copy on the same display opens the first one's Settings, SIGTERM and SIGINT end
# cleanly, a relaunch backs the file up and changes nothing.
# Runs inside scripts/xvfb-session (fresh HOME and XDG folders); $1 is the morvelan binary.
set -euo pipefail
morvelan=$1
# shellcheck source=tests/e2e/scripts/gui.sh
source "$(dirname "$0")/gui.sh"
file=$data_dir/contexts.json
contexts() {
    python3 -c 'import json,sys; print(";".join(c["name"]+"="+c["colorHex"] for c in json.load(open(sys.argv[1]))["contexts"]))' "$file"
}

"$morvelan" --version | grep -qE '^Morvelan [0-9]+\.[0-9]+\.[0-9]+$' || fail "--version"
"$morvelan" --help | grep -q 'Usage: morvelan' || fail "--help"
if "$morvelan" --bogus 2>/dev/null; then fail "unknown argument accepted"; fi
# A display nobody serves: one line naming it and exit 1, not the toolkit's abort.
code=0
message=$(DISPLAY=:4999 timeout 10 "$morvelan" 2>&1) || code=$?
[[ $code -eq 1 && $message == *":4999"* && $(wc -l <<<"$message") -eq 1 ]] ||
    fail "unreachable display: exit $code, said: $message"

"$morvelan" &
pid=$!
wait_for 10 test -s "$file" || fail "contexts.json was not written"
[[ $(contexts) == "Default=#138A80" ]] || fail "first launch wrote $(contexts)"
[[ $(stat -c %a "$file") == 600 && $(stat -c %a "$data_dir") == 700 ]] ||
    fail "contexts.json or its folder is not private"

# A second launch opens the running copy's settings and ends.
code=0
message=$(timeout 10 "$morvelan" 2>&1) || code=$?
[[ $code -eq 0 && $message == *"already running"* && $(wc -l <<<"$message") -eq 1 ]] ||
    fail "second copy exit code $code, said: $message"
wait_for 5 has_window "Morvelan — Settings" || fail "the second launch opened no Settings"

kill -TERM "$pid"
wait "$pid" || fail "SIGTERM exit code $?"
# The user's own contexts: a file with only the fresh Default is never backed up.
sed -i 's/"Default"/"Mine"/' "$file"
before=$(cat "$file")
"$morvelan" &
pid=$!
wait_for 10 test -s "$file.bak" || fail "no backup after relaunch"
[[ $(cat "$file.bak") == "$before" ]] || fail "the backup is not the file that loaded"
kill -INT "$pid"
wait "$pid" || fail "SIGINT exit code $?"
[[ $(cat "$file") == "$before" ]] || fail "relaunch rewrote contexts.json: $(contexts)"
echo "startup: 1 passed, 0 failed"
