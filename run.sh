#!/usr/bin/env bash
# Builds Sonifix and starts it in the tray. On a machine without a graphical session it starts
# a private desktop for it (a virtual display with a tray host and a private sound server) and
# says how to see it.
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config nlohmann-json3-dev libcurl4-openssl-dev ca-certificates libpulse-dev
    qt6-base-dev libqt6svg6 libxcb1-dev libxcb-keysyms1-dev libicu-dev procps)
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] ||
    packages+=(xvfb trayer dbus pulseaudio pulseaudio-utils x11-apps imagemagick)
tools/install-missing.sh "${packages[@]}"

cmake --preset release >/dev/null
cmake --build --preset release
app="$PWD/build/release/sonifix"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$app"
fi
echo "No graphical session here: Sonifix runs on a private desktop."
exec tools/private-desktop.sh bash -c '
    echo "Display $DISPLAY. To see it: DISPLAY=$DISPLAY import -window root sonifix.png"
    echo "(Ctrl-C stops Sonifix and the private desktop.)"
    exec "$0"' "$app"
