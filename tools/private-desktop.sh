#!/usr/bin/env bash
# Runs a command on a private desktop: a session bus of its own, a virtual X display with a tray
# host, and a sound server with built-in speakers, USB headphones, a built-in microphone and a
# Bluetooth headset microphone (null devices: no sound hardware needed). Nothing of the caller's
# desktop reaches the command: not its display, its session bus, its sound server or its runtime
# folder.
# Everything started is stopped, by PID, when the command ends or the script is interrupted.
#
#   tools/private-desktop.sh [--sound pulseaudio|pipewire|none] [--tray xembed|sni|none]
#                            [--display x11|none] [--wayland] COMMAND [ARGUMENTS...]
#
# By default: PulseAudio, an X display and an XEmbed tray (trayer); --tray sni starts a
# StatusNotifierWatcher (status-notifier-watcher) instead, for a host to register with, and
# --wayland a headless weston. The command sees DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR,
# DISPLAY (unless --display none), WAYLAND_DISPLAY (with --wayland), PULSE_SERVER (unless
# --sound none) and SONIFIX_DESKTOP, the folder with the logs. There pulseaudio/ and pipewire/
# each hold a server's configuration and a start-PROGRAM script for each of its programs: the
# server --sound runs comes from there, and a caller that stops, freezes or supervises a server
# of its own starts it from there too.
set -euo pipefail

sound=pulseaudio tray=xembed display=x11 wayland=no
while [ $# -gt 0 ]; do
    case "$1" in
    --sound) sound=$2; shift 2 ;;
    --tray) tray=$2; shift 2 ;;
    --display) display=$2; shift 2 ;;
    --wayland) wayland=yes; shift ;;
    --) shift; break ;;
    -*) echo "private-desktop: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [options] COMMAND [ARGUMENTS...]" >&2; exit 2; }
[ "$display" = x11 ] || tray=none

needed=(dbus-daemon pactl)
[ "$display" = x11 ] && needed+=(Xvfb)
[ "$tray" = xembed ] && needed+=(trayer)
[ "$tray" = sni ] && needed+=(status-notifier-watcher)
[ "$wayland" = yes ] && needed+=(weston)
case "$sound" in
pulseaudio) needed+=(pulseaudio) ;;
pipewire) needed+=(pipewire wireplumber pipewire-pulse) ;;
esac
for program in "${needed[@]}"; do
    command -v "$program" >/dev/null || { echo "private-desktop: $program is not installed" >&2; exit 2; }
done

desktop=$(mktemp -d /tmp/sonifix-desktop.XXXXXX)
started=()
stop_all() {
    for pid in "${started[@]}"; do kill -TERM "$pid" 2>/dev/null || true; kill -CONT "$pid" 2>/dev/null || true; done
    for _ in $(seq 1 50); do
        alive=0
        for pid in "${started[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ "$alive" = 0 ] && break
        sleep 0.05
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
        sleep 0.02
    done
}

unset DISPLAY WAYLAND_DISPLAY PULSE_SERVER PULSE_RUNTIME_PATH PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
mkdir -p "$desktop/run"
chmod 700 "$desktop/run"
export XDG_RUNTIME_DIR="$desktop/run"

dbus-daemon --session --nofork --nopidfile --address="unix:path=$desktop/bus" \
    >"$desktop/dbus.log" 2>&1 &
started+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$desktop/bus"
wait_for 10 test -S "$desktop/bus" || { echo "private-desktop: dbus-daemon did not start" >&2; exit 1; }

if [ "$display" = x11 ]; then
    # Xvfb picks a free number and writes it to descriptor 3.
    exec 3>"$desktop/display"
    Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp >"$desktop/xvfb.log" 2>&1 &
    started+=($!)
    exec 3>&-
    wait_for 10 test -s "$desktop/display" || { echo "private-desktop: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$desktop/display")"
fi
case "$tray" in
xembed) # along the top right, where a panel would have it
    trayer --edge top --align right --widthtype request --height 28 --SetDockType true \
        --transparent true --alpha 0 --tint 0x2b2b2b >"$desktop/trayer.log" 2>&1 &
    started+=($!) ;;
sni)
    status-notifier-watcher >"$desktop/watcher.log" 2>&1 &
    started+=($!) ;;
esac
if [ "$wayland" = yes ]; then
    weston --backend=headless-backend.so --socket=wayland-sonifix --idle-time=0 \
        >"$desktop/weston.log" 2>&1 &
    started+=($!)
    wait_for 10 test -S "$XDG_RUNTIME_DIR/wayland-sonifix" ||
        { echo "private-desktop: weston did not start" >&2; exit 1; }
    export WAYLAND_DISPLAY=wayland-sonifix
fi

# The sound servers: each in a folder of its own, with a start script per program that gives it
# that folder and nothing else of the environment.
start_script() { # FOLDER PROGRAM ARGUMENTS... (environment in `server_environment`)
    local folder=$1 name=$2; shift 2
    {
        echo '#!/usr/bin/env bash'
        # A pid file left by a killed daemon would make the new one think it runs already.
        [ "$name" = pulseaudio ] && printf 'rm -f %q\n' "$folder/run/pulse/pid"
        printf 'exec env -i'
        printf ' %q' "${server_environment[@]}" "$(command -v "$name" || echo "$name")" "$@"
        echo
    } >"$folder/start-$name"
    chmod +x "$folder/start-$name"
}

pa="$desktop/pulseaudio"
mkdir -p "$pa/run" "$pa/home"
chmod 700 "$pa/run"
# module-null-source takes no properties when it is loaded, so they are set afterwards.
cat >"$pa/default.pa" <<'PA'
.fail
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=speakers rate=48000 sink_properties='device.description="Built-in Speakers"'
update-sink-proplist speakers device.class=sound device.bus=pci device.form_factor=internal device.api=alsa
load-module module-null-sink sink_name=usb_headphones rate=48000 sink_properties='device.description="USB Headphones"'
update-sink-proplist usb_headphones device.class=sound device.bus=usb device.form_factor=headphone device.api=alsa
load-module module-null-source source_name=bt_headset_mic rate=16000
update-source-proplist bt_headset_mic device.description="AirPods Pro" device.class=sound device.bus=bluetooth device.form_factor=headset device.api=bluez
load-module module-null-source source_name=builtin_mic rate=44100
update-source-proplist builtin_mic device.description="Built-in Microphone" device.class=sound device.bus=pci device.form_factor=internal device.api=alsa
set-default-sink speakers
set-default-source builtin_mic
PA
server_environment=(PATH="$PATH" LANG=C HOME="$pa/home" XDG_CONFIG_HOME="$pa/home/.config"
    XDG_RUNTIME_DIR="$pa/run" DBUS_SESSION_BUS_ADDRESS=disabled:)
start_script "$pa" pulseaudio -n -F "$pa/default.pa" --daemonize=no --exit-idle-time=-1 \
    --realtime=no --high-priority=no --no-cpu-limit=yes --log-target=stderr

pw="$desktop/pipewire"
mkdir -p "$pw/run" "$pw/home" "$pw/state" "$pw/config/pipewire/pipewire.conf.d" \
    "$pw/config/wireplumber/main.lua.d" "$pw/config/wireplumber/bluetooth.lua.d" \
    "$pw/config/wireplumber/wireplumber.conf.d"
chmod 700 "$pw/run"
node() { # NAME DESCRIPTION CLASS RATE BUS FORM_FACTOR API PRIORITY
    cat <<NODE
  { factory = adapter
    args = {
      factory.name = support.null-audio-sink
      node.name = "$1"
      node.description = "$2"
      media.class = "$3"
      audio.position = [ FL FR ]
      audio.rate = $4
      device.class = "sound"
      device.bus = "$5"
      device.form_factor = "$6"
      device.api = "$7"
      priority.session = $8
      priority.driver = $8
    }
  }
NODE
}
# In the server's own configuration, so that the devices come back with every restart.
{
    echo "context.objects = ["
    node speakers "Built-in Speakers" Audio/Sink 48000 pci internal alsa 1000
    node usb_headphones "USB Headphones" Audio/Sink 48000 usb headphone alsa 500
    node bt_headset_mic "AirPods Pro" Audio/Source 16000 bluetooth headset bluez5 900
    node builtin_mic "Built-in Microphone" Audio/Source 44100 pci internal alsa 1000
    echo "]"
} >"$pw/config/pipewire/pipewire.conf.d/50-sonifix-null.conf"
# No hardware monitors, so that the machine's own cards stay out of the private graph: WirePlumber
# 0.4 reads the Lua files, 0.5 the profile.
printf 'alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n' \
    >"$pw/config/wireplumber/main.lua.d/51-sonifix.lua"
echo "bluez_monitor.enabled = false" >"$pw/config/wireplumber/bluetooth.lua.d/51-sonifix.lua"
cat >"$pw/config/wireplumber/wireplumber.conf.d/51-sonifix.conf" <<'CONF'
wireplumber.profiles = {
  main = {
    hardware.audio = disabled
    hardware.bluetooth = disabled
    hardware.video-capture = disabled
  }
}
CONF
server_environment=(PATH="$PATH" LANG=C HOME="$pw/home" XDG_CONFIG_HOME="$pw/config"
    XDG_STATE_HOME="$pw/state" XDG_RUNTIME_DIR="$pw/run"
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")
for program in pipewire wireplumber pipewire-pulse; do start_script "$pw" "$program"; done

echo "autospawn = no" >"$desktop/client.conf"
export PULSE_CLIENTCONFIG="$desktop/client.conf" PULSE_COOKIE="$desktop/cookie"
if [ "$sound" != none ]; then
    folder="$desktop/$sound"
    programs=(pulseaudio)
    [ "$sound" = pipewire ] && programs=(pipewire wireplumber pipewire-pulse)
    # The server runs under a small supervisor, as a desktop's service manager would run it:
    # stopped, it is started again, so that a restart from Sonifix really brings a new server.
    # PipeWire's companions give up at once while the server is not there, and are tried again.
    supervise() {
        declare -A pids
        trap 'kill -TERM "${pids[@]}" 2>/dev/null; kill -CONT "${pids[@]}" 2>/dev/null; wait; exit 0' TERM
        while :; do
            for program in "${programs[@]}"; do
                if [ -z "${pids[$program]:-}" ] || ! kill -0 "${pids[$program]}" 2>/dev/null; then
                    "$folder/start-$program" >>"$folder/$program.log" 2>&1 </dev/null &
                    pids[$program]=$!
                    [ "$program" = pipewire ] && wait_for 5 test -S "$folder/run/pipewire-0"
                fi
            done
            sleep 0.1
        done
    }
    supervise &
    started+=($!)
    export PULSE_SERVER="unix:$folder/run/pulse/native"
    ready() { [ "$(pactl get-default-sink)" = speakers ] && [ "$(pactl get-default-source)" = builtin_mic ]; }
    wait_for 15 ready || { echo "private-desktop: $sound did not start" >&2; tail "$folder"/*.log >&2; exit 1; }
fi
export SONIFIX_DESKTOP="$desktop"

"$@" &
started+=($!)
command_pid=$!
set +e
wait "$command_pid"
status=$?
set -e
exit "$status"
