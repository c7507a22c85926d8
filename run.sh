#!/usr/bin/env bash
# Builds Sonifix and starts it in the tray. On a machine without a graphical session it starts
# a private desktop for it (a virtual display with a tray host and a private sound server) and
# says how to see it.
#
# For scripts, such as CI: with SONIFIX_THEN set to a shell command, the app starts in the
# background and the command runs beside it, on the same desktop, with SONIFIX_PID set to the
# app's process id; the app is then ended by that id, and the exit status is the command's (1
# if the app does not end on SIGTERM).
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config nlohmann-json3-dev libcurl4-openssl-dev ca-certificates libpulse-dev
    qt6-base-dev libqt6svg6 libxcb1-dev libxcb-keysyms1-dev libicu-dev)
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] ||
    packages+=(xvfb trayer dbus pulseaudio pulseaudio-utils x11-apps imagemagick)
tools/install-missing.sh "${packages[@]}"

cmake --preset release >/dev/null
cmake --build --preset release
app="$PWD/build/release/sonifix"

if [ -n "${SONIFIX_THEN:-}" ]; then
    start='
        "$0" &
        export SONIFIX_PID=$!
        set +e
        bash -c "$SONIFIX_THEN"
        status=$?
        kill -TERM "$SONIFIX_PID"
        for _ in $(seq 1 100); do kill -0 "$SONIFIX_PID" 2>/dev/null || exit "$status"; sleep 0.1; done
        echo "run.sh: Sonifix did not end on SIGTERM" >&2
        kill -KILL "$SONIFIX_PID"
        exit 1'
else
    start='
        echo "Display $DISPLAY. To see it: DISPLAY=$DISPLAY import -window root sonifix.png"
        echo "(Ctrl-C stops Sonifix and the private desktop.)"
        exec "$0"'
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    [ -n "${SONIFIX_THEN:-}" ] || exec "$app"
    exec bash -c "$start" "$app"
fi
echo "No graphical session here: Sonifix runs on a private desktop."
exec tools/private-desktop.sh bash -c "$start" "$app"
