#!/usr/bin/env bash
# The updater end to end, on this machine only: serves a release zip and its manifest from
# 127.0.0.1 with python3's http.server, lets morvelan_updater_driver update a Morvelan.app of
# an older version in a scratch folder, and checks the swap, the clean-up and that the
# relaunched program is the new one. Then serves a hostile zip and checks nothing is touched.
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
cleanup() {
    if [[ -n $server ]]; then
        kill "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [[ -f $log ]] && { echo "--- $log"; cat "$log"; } >&2
    done
    echo "0 passed, 1 failed"
    exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
waitUntil() {
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

echo "== Release zip"
"$root/scripts/release-bundle" ${program:+--executable "$program"} --output "$served/Morvelan.zip" \
    >"$work/release.log"
version=$(unzip -p "$served/Morvelan.zip" Morvelan.app/Info.json |
    python3 -c 'import json,sys; print(json.load(sys.stdin)["CFBundleShortVersionString"])')
echo "release version $version"

echo "== Local server"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$served" "$port" >"$work/server.log" 2>&1 &
server=$!
base=http://127.0.0.1:$port
served_ok() { python3 -c "import urllib.request as u; u.urlopen('$base/Morvelan.zip', timeout=1)" 2>/dev/null; }
waitUntil 10 served_ok || fail "http.server did not come up on $base"
export MORVELAN_RELEASE_URL=$base/release/latest.json

# An installed Morvelan.app older than the release; its program only says which one it is.
install_old() {
    rm -rf "$work/Applications"
    app=$work/Applications/Morvelan.app
    mkdir -p "$app"
    printf '#!/bin/sh\necho "Morvelan 0 (old)"\n' >"$app/morvelan"
    chmod 755 "$app/morvelan"
    printf '{"CFBundleShortVersionString":"0","MorvelanDevBuild":false}\n' >"$app/Info.json"
    # Leftovers of an interrupted update, which the install must clear.
    mkdir -p "$work/Applications/.Morvelan.update.app" "$work/Applications/.Morvelan.old.app"
    touch "$work/Applications/.Morvelan.update.app/stale"
}

echo "== Update to $version"
install_old
printf '{"version":"v%s","url":"%s/Morvelan.zip","notes":"e2e"}\n' "$version" "$base" \
    >"$served/release/latest.json"
status=0
"$driver" "$app" >"$work/driver.log" 2>&1 || status=$?
[[ $status -eq 0 ]] || fail "driver exited with $status"
grep -qx "current: 0" "$work/driver.log" || fail "driver did not read the old bundle's version"
grep -qx "alert: Update available — Morvelan $version | You have 0. Download and install now? Morvelan will relaunch." \
    "$work/driver.log" || fail "no update offer for $version"
grep -qx "relaunch: $app/morvelan" "$work/driver.log" || fail "no relaunch of $app/morvelan"
unzip -p "$served/Morvelan.zip" Morvelan.app/morvelan | cmp -s - "$app/morvelan" ||
    fail "the installed program is not the release's"
[[ -x $app/morvelan ]] || fail "the installed program lost its execute bit"
grep -q "\"CFBundleShortVersionString\":\"$version\"" "$app/Info.json" || fail "old Info.json kept"
[[ ! -e $work/Applications/.Morvelan.update.app && ! -e $work/Applications/.Morvelan.old.app ]] ||
    fail "staging folders left beside the bundle"
relaunched() { grep -qx "Morvelan $version" "$work/driver.log"; }
waitUntil 10 relaunched || fail "the relaunched program did not report Morvelan $version"
if compgen -G "$work/tmp/morvelan-update-*" >/dev/null; then fail "unpacking folder left behind"; fi
echo "ok: swapped and relaunched as Morvelan $version"

echo "== Hostile archive"
install_old
python3 - "$served/Evil.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("Morvelan.app/morvelan", "#!/bin/sh\necho evil\n")
    z.writestr("../escaped", "x")
PY
printf '{"version":"%s","url":"%s/Evil.zip"}\n' "$version" "$base" >"$served/release/latest.json"
status=0
"$driver" "$app" >"$work/hostile.log" 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "driver exited with $status for a hostile archive"
grep -q '^alert: Install failed | .*"\.\./escaped"' "$work/hostile.log" ||
    fail "no clear refusal of ../escaped"
[[ $("$app/morvelan") == "Morvelan 0 (old)" ]] || fail "the installed bundle was touched"
[[ ! -e $work/escaped && ! -e $work/tmp/escaped ]] || fail "an entry landed outside"
echo "ok: hostile archive refused, nothing touched"

echo "== Archive without a bundle"
install_old
python3 - "$served/Folder.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("Morvelan/morvelan", "#!/bin/sh\necho folder\n")
PY
printf '{"version":"%s","url":"%s/Folder.zip"}\n' "$version" "$base" >"$served/release/latest.json"
status=0
"$driver" "$app" >"$work/nobundle.log" 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "driver exited with $status for an archive without a bundle"
grep -qx 'alert: Install failed | archive had no .app' "$work/nobundle.log" ||
    fail "no \"archive had no .app\": $(cat "$work/nobundle.log")"
[[ $("$app/morvelan") == "Morvelan 0 (old)" ]] || fail "the installed bundle was touched"
echo "ok: archive without a bundle refused, nothing touched"

echo "== Up to date"
printf '{"version":"0","url":"%s/Morvelan.zip"}\n' "$base" >"$served/release/latest.json"
status=0
"$driver" "$app" >"$work/current.log" 2>&1 || status=$?
grep -qx "alert: You're up to date | Morvelan 0 is the latest version." "$work/current.log" ||
    fail "no up-to-date answer"
echo "ok: up to date"

echo "== Not running from a Morvelan.app"
packaged=$work/usr/lib/morvelan
mkdir -p "$packaged"
cp "$app/morvelan" "$app/Info.json" "$packaged/"
printf '{"version":"%s","url":"%s/Morvelan.zip"}\n' "$version" "$base" >"$served/release/latest.json"
status=0
"$driver" "$packaged" >"$work/packaged.log" 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "driver exited with $status outside a bundle"
grep -q "^alert: Install failed | .*update Morvelan the way you installed it" "$work/packaged.log" ||
    fail "no advice to update the way it was installed"
[[ $("$packaged/morvelan") == "Morvelan 0 (old)" ]] || fail "the packaged program was touched"
echo "ok: outside a bundle the user is told to update the way it was installed"

echo "== Server down"
closed=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
status=0
MORVELAN_RELEASE_URL=http://127.0.0.1:$closed/release/latest.json "$driver" "$app" \
    >"$work/down.log" 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "driver exited with $status with the server down"
grep -qx "alert: Update check failed | Couldn't reach the update server." "$work/down.log" ||
    fail "no \"Update check failed\" with the server down"
[[ $("$app/morvelan") == "Morvelan 0 (old)" ]] || fail "the installed bundle was touched"
echo "ok: server down, the manual check says so"

echo "6 passed, 0 failed"
