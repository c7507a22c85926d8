#!/usr/bin/env bash
# Builds Sonifix and runs its whole test suite. On a fresh Debian machine it first installs
# what the build needs. Usage: ./test.sh [preset]   (dev by default; asan, tsan)
set -euo pipefail
cd "$(dirname "$0")"
preset="${1:-dev}"

# The build's libraries, then what the tests start privately: sound servers, an X display with
# a tray host, session buses.
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev sudo procps
    nlohmann-json3-dev libcurl4-openssl-dev ca-certificates libpulse-dev libpipewire-0.3-dev
    qt6-base-dev libqt6svg6 libxcb1-dev libxcb-keysyms1-dev x11proto-dev libicu-dev
    pulseaudio pulseaudio-utils pipewire pipewire-bin pipewire-pulse wireplumber dbus dbus-daemon
    xvfb xdotool trayer x11-utils haskell-status-notifier-item-utils
    weston qt6-wayland)
tools/install-missing.sh "${packages[@]}"

cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" --output-on-failure
