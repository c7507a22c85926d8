#!/usr/bin/env bash
# Runs a command on a private desktop: a virtual X display with a tray host, a private session
# bus and a private PulseAudio server with built-in speakers, a built-in microphone and a
# Bluetooth headset microphone (null devices: no sound hardware needed). Everything it starts is
# stopped, by PID, when the command ends or the script is interrupted.
#
#   tools/private-desktop.sh COMMAND [ARGUMENTS...]
#
# The command sees DISPLAY, DBUS_SESSION_BUS_ADDRESS, PULSE_SERVER and SONIFIX_DESKTOP (the
# folder with the logs) in its environment.
set -euo pipefail

for program in Xvfb dbus-daemon trayer pulseaudio pactl; do
    command -v "$program" >/dev/null || { echo "private-desktop: $program is not installed" >&2; exit 2; }
done

desktop=$(mktemp -d /tmp/sonifix-desktop.XXXXXX)
started=()
stop_all() {
    for pid in "${started[@]}"; do kill -TERM "$pid" 2>/dev/null || true; kill -CONT "$pid" 2>/dev/null || true; done
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        alive=0
        for pid in "${started[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ "$alive" = 0 ] && break
        sleep 0.2
    done
    for pid in "${started[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -rf "$desktop"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

wait_for() { # SECONDS COMMAND...
    local deadline=$((SECONDS + $1)); shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# The display: Xvfb picks a free number and writes it to descriptor 3.
exec 3>"$desktop/display"
Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp >"$desktop/xvfb.log" 2>&1 &
started+=($!)
exec 3>&-
wait_for 10 test -s "$desktop/display" || { echo "private-desktop: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$desktop/display")"

dbus-daemon --session --nofork --nopidfile --address="unix:path=$desktop/bus" \
    >"$desktop/dbus.log" 2>&1 &
started+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$desktop/bus"
wait_for 10 test -S "$desktop/bus"

# A tray host along the top right, where a panel would have it.
trayer --edge top --align right --widthtype request --height 28 --SetDockType true \
    --transparent true --alpha 0 --tint 0x2b2b2b >"$desktop/trayer.log" 2>&1 &
started+=($!)

mkdir -p "$desktop/run" "$desktop/pulse-home"
chmod 700 "$desktop/run"
cat >"$desktop/default.pa" <<'PA'
.fail
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=speakers sink_properties='device.description="Built-in Speakers"'
update-sink-proplist speakers device.bus=pci device.form_factor=internal
load-module module-null-source source_name=headset_mic
update-source-proplist headset_mic device.description="AirPods Pro" device.bus=bluetooth device.form_factor=headset
load-module module-null-source source_name=builtin_mic
update-source-proplist builtin_mic device.description="Built-in Microphone" device.bus=pci device.form_factor=internal
set-default-sink speakers
set-default-source builtin_mic
PA
echo "autospawn = no" >"$desktop/client.conf"
# The server runs under a small supervisor, as a desktop's service manager would run it: stopped,
# it is started again, so that a restart from Sonifix really brings a new server.
supervise_pulseaudio() {
    trap 'kill -TERM "$(cat "$desktop/pulseaudio.pid")" 2>/dev/null; exit 0' TERM
    while :; do
        rm -f "$desktop/run/pulse/pid"
        env HOME="$desktop/pulse-home" XDG_CONFIG_HOME="$desktop/pulse-home" \
            XDG_RUNTIME_DIR="$desktop/run" DBUS_SESSION_BUS_ADDRESS=disabled: \
            pulseaudio -n -F "$desktop/default.pa" --daemonize=no --exit-idle-time=-1 \
            --realtime=no --high-priority=no --log-target=stderr \
            >>"$desktop/pulseaudio.log" 2>&1 </dev/null &
        echo $! >"$desktop/pulseaudio.pid"
        wait $! || true
        sleep 0.1
    done
}
supervise_pulseaudio &
started+=($!)
export PULSE_SERVER="unix:$desktop/run/pulse/native" PULSE_CLIENTCONFIG="$desktop/client.conf"
wait_for 10 pactl get-default-sink || { echo "private-desktop: PulseAudio did not start" >&2; exit 1; }
export SONIFIX_DESKTOP="$desktop"

"$@" &
started+=($!)
command_pid=$!
set +e
wait "$command_pid"
status=$?
set -e
exit "$status"
