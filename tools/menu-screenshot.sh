#!/usr/bin/env bash
# Makes docs/menu.png: the real app on a private desktop, its tray icon clicked as a person
# would, and the open menu photographed.  Usage: tools/menu-screenshot.sh [build/release/sonifix]
set -euo pipefail
cd "$(dirname "$0")/.."
app="${1:-build/release/sonifix}"
[ -x "$app" ] || { echo "menu-screenshot: build the app first (./run.sh builds it)" >&2; exit 2; }
mkdir -p docs
export SONIFIX_SHOT="$PWD/docs/menu.png" SONIFIX_APP="$PWD/$app"

tools/private-desktop.sh bash -c '
    set -euo pipefail
    # A settings folder of its own, marked as welcomed, so that no first-run dialog covers the menu.
    export XDG_CONFIG_HOME="$SONIFIX_DESKTOP/config"
    mkdir -p "$XDG_CONFIG_HOME/Northfold"
    printf "[General]\nwelcomed=true\n" >"$XDG_CONFIG_HOME/Northfold/Sonifix.ini"
    "$SONIFIX_APP" >"$SONIFIX_DESKTOP/sonifix.log" 2>&1 &
    app=$!
    trap "kill $app 2>/dev/null || true" EXIT
    # The icon sits in the tray host once the tray has embedded it.
    for _ in $(seq 1 100); do
        tray=$(xdotool search --onlyvisible --class trayer 2>/dev/null | head -n1 || true)
        [ -n "$tray" ] && xwininfo -children -id "$tray" | grep -q "1 child\|[0-9]* children" && break
        sleep 0.1
    done
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    xdotool mousemove $((X + WIDTH - 14)) $((Y + HEIGHT / 2)) click 1
    sleep 1.5
    import -window root "$SONIFIX_SHOT"
'
echo "Wrote $SONIFIX_SHOT"
