#!/usr/bin/env bash
# The updater end to end, on this machine only: serves the zip scripts/release-bundle makes and
# its manifest from 127.0.0.1 with python3's http.server, lets morvelan_updater_driver update
# a Morvelan.app of an older version in a scratch folder, and checks the swap, the clean-up and
# that the relaunched program is the new one. Refused archives, failed steps and the other
# answers of a check are the core updater tests' and e2e_updater_alerts' business.
#
#   tests/e2e/updater-e2e.sh DRIVER [MORVELAN]
#
# DRIVER is the built morvelan_updater_driver. MORVELAN is the program to pack into the
# release zip; without it scripts/release-bundle builds a Release one first.
set -euo pipefail
driver=$(realpath "$1")
program=${2:+$(realpath "$2")}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
server=
trap '[[ -z $server ]] || { kill "$server" && wait "$server"; } 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    tail -n +1 "$work"/*.log >&2
    echo "0 passed, 1 failed"
    exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

served=$work/served
mkdir -p "$served/release" "$work/tmp"
export TMPDIR=$work/tmp
# A release key of this run's own; the driver is given its public half.
openssl genpkey -algorithm ed25519 -out "$work/key.pem" 2>/dev/null
public=$(openssl pkey -in "$work/key.pem" -pubout -outform DER | tail -c 32 | od -An -v -tx1 | tr -d ' \n')
"$root/scripts/release-bundle" --key "$work/key.pem" ${program:+--executable "$program"} \
    --output "$served/Morvelan.zip" >"$work/release.log"
version=$(unzip -p "$served/Morvelan.zip" Morvelan.app/Info.json |
    python3 -c 'import json,sys; print(json.load(sys.stdin)["CFBundleShortVersionString"])')

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$served" "$port" >"$work/server.log" 2>&1 &
server=$!
base=http://127.0.0.1:$port
served_ok() { python3 -c "import urllib.request as u; u.urlopen('$base/Morvelan.zip', timeout=1)" 2>/dev/null; }
wait_for 10 served_ok || fail "http.server did not come up on $base"
printf '{"version":"v%s","url":"%s/Morvelan.zip","signature":"%s"}\n' "$version" "$base" \
    "$(cat "$served/Morvelan.zip.sig")" >"$served/release/latest.json"

# An installed Morvelan.app older than the release, whose program only says which one it is,
# beside the leftovers of an interrupted update.
apps=$work/Applications
app=$apps/Morvelan.app
mkdir -p "$app" "$apps/.Morvelan.update.app" "$apps/.Morvelan.old.app"
touch "$apps/.Morvelan.update.app/stale"
printf '#!/bin/sh\necho "Morvelan 0 (old)"\n' >"$app/morvelan"
chmod 755 "$app/morvelan"
printf '{"CFBundleShortVersionString":"0","MorvelanDevBuild":false}\n' >"$app/Info.json"

status=0
"$driver" "$app" "$base/release/latest.json" "$public" >"$work/driver.log" 2>&1 || status=$?
[[ $status -eq 0 ]] || fail "driver exited with $status"
grep -qx "alert: Update available — Morvelan $version | You have 0. Download and install now? Morvelan will relaunch." \
    "$work/driver.log" || fail "no update offer from 0 to $version"
grep -qx "relaunch: $app/morvelan" "$work/driver.log" || fail "no relaunch of $app/morvelan"
unzip -p "$served/Morvelan.zip" Morvelan.app/morvelan | cmp -s - "$app/morvelan" ||
    fail "the installed program is not the release's"
[[ -x $app/morvelan ]] || fail "the installed program lost its execute bit"
grep -q "\"CFBundleShortVersionString\":\"$version\"" "$app/Info.json" || fail "old Info.json kept"
[[ ! -e $apps/.Morvelan.update.app && ! -e $apps/.Morvelan.old.app ]] ||
    fail "staging folders left beside the bundle"
! compgen -G "$work/tmp/morvelan-update-*" >/dev/null || fail "unpacking folder left behind"
relaunched() { grep -qx "Morvelan $version" "$work/driver.log"; }
wait_for 10 relaunched || fail "the relaunched program did not report Morvelan $version"
echo "1 passed, 0 failed"
