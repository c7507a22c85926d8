#!/usr/bin/env bash
# CI: the README's first command as a newcomer types it, with no display and no session bus.
# ./run.sh installs what it needs, builds the release preset and starts the app on its private
# desktop; the app must embed its tray icon and answer `sonifix --status` itself, and end on
# SIGTERM to its process id.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what the checks use (X window listings, the bus monitor); the app's own packages are
# left to run.sh, so that a package missing from its list shows here.
tools/install-missing.sh xdotool x11-utils dbus-bin
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS \
    SONIFIX_THEN="tools/check-app-up.sh build/release/sonifix" ./run.sh
