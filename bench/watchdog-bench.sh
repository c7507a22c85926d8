#!/usr/bin/env bash
# What the watchdog costs, on a private desktop: the app's CPU time and wake-ups (context switches
# of all its threads) over a span with nothing playing, then over one while a stream plays, which
# is when the app asks the sound server, again and again, whether it still answers.
#
#   bench/watchdog-bench.sh [build/release/sonifix] [seconds, 60] [pulseaudio|pipewire]
set -euo pipefail
cd "$(dirname "$0")/.."
app="${1:-build/release/sonifix}"
seconds="${2:-60}"
sound="${3:-pulseaudio}"
[ -x "$app" ] || { echo "watchdog-bench: build the app first (./run.sh builds it)" >&2; exit 2; }
export BENCH_APP="$(realpath "$app")" BENCH_SECONDS="$seconds"

exec tools/private-desktop.sh --sound "$sound" bash -c '
set -euo pipefail
export XDG_CONFIG_HOME="$SONIFIX_DESKTOP/config"
mkdir -p "$XDG_CONFIG_HOME/Northfold"
printf "[General]\nwelcomed=true\n" >"$XDG_CONFIG_HOME/Northfold/Sonifix.ini"
ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
switches() { cat /proc/"$1"/task/*/status | awk "/ctxt_switches/ {s += \$2} END {print s}"; }
span() { # LABEL PID
    local t1 s1
    t1=$(ticks "$2")
    s1=$(switches "$2")
    sleep "$BENCH_SECONDS"
    printf "%-8s %ss: cpu %d ms, %d wake-ups\n" "$1" "$BENCH_SECONDS" \
        $(( ($(ticks "$2") - t1) * 1000 / $(getconf CLK_TCK) )) $(( $(switches "$2") - s1 ))
}
"$BENCH_APP" >"$SONIFIX_DESKTOP/sonifix.log" 2>&1 &
app=$!
sleep 3
span idle "$app"
pacat --raw /dev/zero &
player=$!
sleep 1
span playing "$app"
kill "$player" "$app"
wait "$app" || true
'
