#!/usr/bin/env bash
# CI: the .deb as a user gets it. Made with cpack from the release build (./run.sh's), checked
# by lintian, installed by apt-get with its declared dependencies, started from /usr/bin on a
# private desktop (up in the tray, answering --status), its .desktop entry validated, then
# removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-missing.sh dpkg-dev lintian desktop-file-utils xdotool x11-utils dbus-bin

[ -x build/release/sonifix ] || { cmake --preset release && cmake --build --preset release; }
rm -f build/release/sonifix_*.deb
(cd build/release && cpack)
deb=$(echo build/release/sonifix_*.deb)

# Warnings fail as errors do: the package has none today, and any that cannot be fixed is
# listed here with the reason.
lintian --fail-on error,warning "$deb"

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
apt_get() { DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -y -qq "$@" >/dev/null; }
apt_get update
apt_get install "./$deb"
trap 'apt_get remove sonifix' EXIT
desktop-file-validate /usr/share/applications/sonifix.desktop
tools/private-desktop.sh bash -c '
    set -e
    /usr/bin/sonifix --version
    /usr/bin/sonifix &
    export SONIFIX_PID=$!
    tools/check-app-up.sh /usr/bin/sonifix
    kill -TERM "$SONIFIX_PID"
    for _ in $(seq 1 100); do kill -0 "$SONIFIX_PID" 2>/dev/null || exit 0; sleep 0.1; done
    echo "ci-package: Sonifix did not end on SIGTERM" >&2
    kill -KILL "$SONIFIX_PID"
    exit 1'

trap - EXIT
apt_get remove sonifix
if dpkg-query -W -f='${Status}' sonifix 2>/dev/null | grep -q "install ok installed" ||
    [ -e /usr/bin/sonifix ]; then
    echo "ci-package: sonifix is still installed" >&2
    exit 1
fi
echo "ci-package: $deb checked, installed, started and removed"
