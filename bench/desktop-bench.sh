#!/usr/bin/env bash
# Figures for the tray app, on a private desktop (virtual display, tray host, private sound
# server), beside Debian's pasystray in the same run:
#   - launch to icon: from exec until the tray host has embedded the icon;
#   - menu opening: from the click until the menu (rebuilt with fresh queries) is on screen;
#   - idle footprint: resident and proportional memory a few seconds after launch, and the
#     mappings that hold most of it; other processes that map Qt share its pages, which lowers
#     the proportional figure, so they are counted;
#   - idle cost: CPU time and wake-ups (context switches) over an idle minute.
#
#   bench/desktop-bench.sh [build/release/sonifix] [idle seconds, 60]
set -euo pipefail
cd "$(dirname "$0")/.."
app="${1:-build/release/sonifix}"
idle="${2:-60}"
[ -x "$app" ] || { echo "desktop-bench: build the app first (./run.sh builds it)" >&2; exit 2; }
command -v pasystray >/dev/null || echo "desktop-bench: pasystray is not installed; no peer figures" >&2
BENCH_APP=$(realpath "$app")
export BENCH_APP BENCH_IDLE="$idle"

exec tools/private-desktop.sh bash -c '
set -euo pipefail
export XDG_CONFIG_HOME="$SONIFIX_DESKTOP/config"
mkdir -p "$XDG_CONFIG_HOME/Northfold"
printf "[General]\nwelcomed=true\n" >"$XDG_CONFIG_HOME/Northfold/Sonifix.ini"
now() { date +%s%N; }
tray=""
for _ in $(seq 1 100); do
    tray=$(xdotool search --onlyvisible --class trayer 2>/dev/null | head -n1 || true)
    [ -n "$tray" ] && break
    sleep 0.05
done
icons() { xwininfo -children -id "$tray" | sed -n "s/^ *\([0-9]*\) child.*/\1/p"; }
memory() { # PID -> "rss_kB pss_kB"
    awk "/^Rss:/ {r=\$2} /^Pss:/ {p=\$2} END {print r, p}" "/proc/$1/smaps_rollup"
}
largest() { # PID: the mappings with the most resident memory, file by file
    printf "%10s %8s %8s  %s\n" "" "rss kB" "pss kB" "mapping"
    awk "/^[0-9a-f]+-[0-9a-f]+ / {name = (\$6 == \"\" ? \"[anonymous]\" : \$6)}
         /^Rss:/ {rss[name] += \$2} /^Pss:/ {pss[name] += \$2}
         END {for (n in rss) printf \"%10s %8d %8d  %s\\n\", \"\", rss[n], pss[n], n}" \
        "/proc/$1/smaps" | sort -k1,1nr | sed -n 1,12p
    local sharing=0
    for maps in /proc/[0-9]*/maps; do
        [ "$maps" = "/proc/$1/maps" ] && continue
        grep -q libQt6Core "$maps" 2>/dev/null && sharing=$((sharing + 1))
    done
    echo "           other processes mapping Qt at the time: $sharing"
}
ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
switches() { awk "/ctxt_switches/ {s += \$2} END {print s}" "/proc/$1/status"; }

measure() { # NAME COMMAND...
    local name=$1; shift
    local before; before=$(icons || echo 0)
    local t0; t0=$(now)
    "$@" >"$SONIFIX_DESKTOP/$name.log" 2>&1 &
    local pid=$!
    local deadline=$((SECONDS + 30))
    until [ "$(icons || echo 0)" -gt "$before" ]; do
        [ "$SECONDS" -lt "$deadline" ] || { echo "desktop-bench: $name shows no icon" >&2; exit 1; }
        sleep 0.005
    done
    local launched=$(( ($(now) - t0) / 1000000 ))
    sleep 3
    local mem; mem=$(memory "$pid")
    local t1; t1=$(ticks "$pid"); local s1; s1=$(switches "$pid")
    sleep "$BENCH_IDLE"
    local cpu=$(( ($(ticks "$pid") - t1) * 1000 / $(getconf CLK_TCK) ))
    local woke=$(( $(switches "$pid") - s1 ))
    set -- $mem
    printf "%-10s launch-to-icon %5d ms   rss %6d kB   pss %6d kB   idle %ss: cpu %d ms, %d wake-ups\n" \
        "$name" "$launched" "$1" "$2" "$BENCH_IDLE" "$cpu" "$woke" >&2
    largest "$pid" >&2
    echo "$2" >"$SONIFIX_DESKTOP/$name.pss"
    echo "$pid"
}

sonifix_pid=$(measure sonifix "$BENCH_APP")
# Menu opening: click the icon, wait for the popup, close it; five times.
eval "$(xdotool getwindowgeometry --shell "$tray")"
windows() { xdotool search --onlyvisible --pid "$sonifix_pid" 2>/dev/null | wc -l; }
shown=$(windows) # the tray icon is a window of its own
times=()
for _ in 1 2 3 4 5; do
    t0=$(now)
    xdotool mousemove $((X + WIDTH - 14)) $((Y + HEIGHT / 2)) click 1
    until [ "$(windows)" -gt "$shown" ]; do sleep 0.002; done
    times+=($(( ($(now) - t0) / 1000 )))
    # Closed as a person would, once the menu has taken the keyboard.
    for _ in $(seq 1 50); do
        sleep 0.1
        xdotool key Escape
        [ "$(windows)" -gt "$shown" ] || break
    done
    sleep 0.2
done
sorted=$(printf "%s\n" "${times[@]}" | sort -n | tr "\n" " ")
echo "sonifix    menu opening (click to menu on screen), 5 runs, microseconds: $sorted" >&2
set -- $(memory "$sonifix_pid")
echo "sonifix    after the menu was opened: rss $1 kB, pss $2 kB" >&2
if command -v pasystray >/dev/null; then
    measure pasystray pasystray --no-notify >/dev/null
    awk "{printf \"sonifix pss / pasystray pss, both at idle: %.2f\\n\", \$1 / \$2}" \
        <(paste "$SONIFIX_DESKTOP/sonifix.pss" "$SONIFIX_DESKTOP/pasystray.pss") >&2
fi
' 2>&1
