#!/usr/bin/env bash
# Start-up end to end: the first launch writes the Default context, a second copy on the
# same display is refused, SIGTERM ends cleanly, a relaunch adds nothing.
# Runs inside scripts/xvfb-session (fresh HOME and XDG folders); $1 is the morvelan binary.
set -euo pipefail
morvelan=$1
file="$XDG_DATA_HOME/Morvelan/contexts.json"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits up to 10 s for a condition given as a command.
wait_for() {
    local deadline=$((SECONDS + 10))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

contexts() {
    python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(";".join(c["name"]+"="+c["colorHex"] for c in d["contexts"]))' "$file"
}

"$morvelan" --version | grep -qE '^Morvelan [0-9]+\.[0-9]+\.[0-9]+$' || fail "--version"
"$morvelan" --help | grep -q 'Usage: morvelan' || fail "--help"
if "$morvelan" --bogus 2>/dev/null; then fail "unknown argument accepted"; fi

"$morvelan" &
pid=$!
wait_for test -s "$file" || fail "contexts.json was not written"
[[ $(contexts) == "Default=#138A80" ]] || fail "first launch wrote $(contexts)"
[[ $(stat -c %a "$file") == 600 ]] || fail "contexts.json is not private"
[[ $(stat -c %a "$(dirname "$file")") == 700 ]] || fail "the folder is not private"

set +e
message=$(timeout 10 "$morvelan" 2>&1)
code=$?
set -e
[[ $code -ne 0 && $code -ne 124 ]] || fail "second copy exit code $code"
[[ $message == *"already running"* ]] || fail "second copy said: $message"
[[ $(wc -l <<<"$message") -eq 1 ]] || fail "second copy message is not one line"

kill -TERM "$pid"
set +e
wait "$pid"
code=$?
set -e
[[ $code -eq 0 ]] || fail "SIGTERM exit code $code"

before=$(cat "$file")
"$morvelan" &
pid=$!
wait_for test -s "$XDG_DATA_HOME/Morvelan/contexts.json.bak" || fail "no backup after relaunch"
kill -INT "$pid"
wait "$pid" || fail "SIGINT exit code $?"
[[ $(contexts) == "Default=#138A80" ]] || fail "relaunch changed contexts to $(contexts)"
[[ $(cat "$file") == "$before" ]] || fail "relaunch rewrote contexts.json"
echo "startup: 1 passed, 0 failed"
