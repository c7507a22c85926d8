#!/usr/bin/env bash
# Checks that the Sonifix with process id $SONIFIX_PID is up on this desktop, as a user would
# see it: its icon embedded in the X tray host, its name on the session bus, and
# `PROGRAM --status` answered by it, not by PROGRAM itself. Waits up to 30 seconds for the app.
#
#   SONIFIX_PID=PID tools/check-app-up.sh PROGRAM
set -euo pipefail
program=$1
pid=${SONIFIX_PID:?the process id of the running app}
fail() { echo "check-app-up: $*" >&2; exit 1; }
deadline=$((SECONDS + 30))
until_true() { # DESCRIPTION COMMAND...
    local what=$1; shift
    until "$@" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || fail "Sonifix ($pid) ended before $what"
        [ "$SECONDS" -lt "$deadline" ] || fail "no $what after 30 seconds"
        sleep 0.1
    done
}

# The tray host keeps the icons it embedded as its descendants.
embedded() {
    local tray; tray=$(xdotool search --onlyvisible --class trayer | head -n1)
    [ -n "$tray" ] || return 1
    local descendants; descendants=$(xwininfo -tree -id "$tray")
    local window
    for window in $(xdotool search --pid "$pid"); do
        grep -qi "$(printf '0x%x ' "$window")" <<<"$descendants" && return 0
    done
    return 1
}
until_true "tray icon embedded by the tray host" embedded

owner() {
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:app.northfold.Sonifix
}
owned() { [ "$(owner | awk '{print $2}')" = "$pid" ]; }
until_true "app.northfold.Sonifix owned by Sonifix on the session bus" owned

# Whatever reaches the app's name while PROGRAM runs.
calls=$(mktemp)
trap 'rm -f "$calls"' EXIT
dbus-monitor --session "destination='app.northfold.Sonifix'" >"$calls" 2>&1 &
monitor=$!
until_true "bus monitor" grep -q "NameAcquired\|member=" "$calls"
status=$("$program" --status) || fail "$program --status failed"
sleep 0.5
kill "$monitor"
wait "$monitor" 2>/dev/null || true
grep -q "destination=app.northfold.Sonifix" "$calls" || fail "$program --status did not ask the running app"
grep -q "^Sound server: .*, PID [0-9]" <<<"$status" || fail "unexpected status: $status"
echo "Sonifix ($pid) is up: icon in the tray, and it answered --status:"
sed 's/^/    /' <<<"$status"
