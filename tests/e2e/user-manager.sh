#!/usr/bin/env bash
# Runs a command as a throw-away user under a real systemd user manager, with the distribution's
# PipeWire units started as on a desktop. Needs root; everything it changes lives in a mount and
# PID namespace of its own, but for two control groups it removes at the end.
#   user-manager.sh COMMAND [ARGUMENTS...]
# Exits 77 (skipped) where it cannot run: not root, no systemd, no PipeWire.
set -euo pipefail
if [ "$(id -u)" != 0 ] || [ ! -x /lib/systemd/systemd ] || ! command -v pipewire >/dev/null ||
    ! command -v unshare >/dev/null; then
    echo "user-manager: needs root, systemd and pipewire" >&2
    exit 77
fi
if [ -z "${SONIFIX_USER_MANAGER_INSIDE:-}" ]; then
    export SONIFIX_USER_MANAGER_INSIDE=1
    exec unshare --mount --pid --fork --mount-proc "$0" "$@"
fi
uid=$((40000 + $$ % 1000))
base=$(mktemp -d /tmp/sonifix-user-manager.XXXXXX)
chmod 755 "$base"
mkdir -p "$base/run" "$base/home/.config/wireplumber/wireplumber.conf.d" \
    "$base/home/.config/wireplumber/main.lua.d" "$base/home/.config/wireplumber/bluetooth.lua.d"
cp /etc/passwd "$base/passwd"
cp /etc/group "$base/group"
echo "sonifix-test:x:$uid:$uid::$base/home:/bin/bash" >>"$base/passwd"
echo "sonifix-test:x:$uid:" >>"$base/group"
mount --bind "$base/passwd" /etc/passwd
mount --bind "$base/group" /etc/group
# What tells systemd's tools that systemd runs this machine.
mkdir -p /run/systemd
mount -t tmpfs tmpfs /run/systemd
mkdir -p /run/systemd/system
# No sound hardware for WirePlumber to look for: 0.4 reads the Lua files, 0.5 the profile.
printf 'alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n' \
    >"$base/home/.config/wireplumber/main.lua.d/51-sonifix.lua"
echo "bluez_monitor.enabled = false" >"$base/home/.config/wireplumber/bluetooth.lua.d/51-sonifix.lua"
cat >"$base/home/.config/wireplumber/wireplumber.conf.d/51-sonifix.conf" <<'CONF'
wireplumber.profiles = { main = { hardware.audio = disabled, hardware.bluetooth = disabled,
  hardware.video-capture = disabled } }
CONF
chown -R "$uid:$uid" "$base/run" "$base/home"
chmod 700 "$base/run"
hierarchies=()
made=() # the groups this script made, deepest last
for hierarchy in /sys/fs/cgroup/unified /sys/fs/cgroup/systemd /sys/fs/cgroup; do
    [ -e "$hierarchy/cgroup.procs" ] || continue
    hierarchies+=("$hierarchy")
    for group in user.slice "user.slice/user-$uid.slice" "user.slice/user-$uid.slice/user@$uid.service"; do
        [ -d "$hierarchy/$group" ] || { mkdir "$hierarchy/$group"; made+=("$hierarchy/$group"); }
    done
    group="$hierarchy/user.slice/user-$uid.slice/user@$uid.service"
    chown -R "$uid:$uid" "$group"
    echo $$ >"$group/cgroup.procs"
    [ "$hierarchy" = /sys/fs/cgroup ] && break
done
as_user() { setpriv --reuid="$uid" --regid="$uid" --init-groups "$@"; }
export XDG_RUNTIME_DIR="$base/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$base/run/bus"
export HOME="$base/home" USER=sonifix-test SONIFIX_USER_MANAGER=1
unset PULSE_SERVER PIPEWIRE_REMOTE
as_user /lib/systemd/systemd --user >"$base/manager.log" 2>&1 &
manager=$!
cleanup() {
    as_user systemctl --user exit >/dev/null 2>&1 || true
    for _ in $(seq 50); do kill -0 "$manager" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$manager" 2>/dev/null || true
    # Out of the groups first: a group with a process in it cannot go.
    for hierarchy in "${hierarchies[@]}"; do echo $$ >"$hierarchy/cgroup.procs" || true; done
    for ((i = ${#made[@]} - 1; i >= 0; i--)); do
        find "${made[$i]}" -depth -type d -exec rmdir {} \; 2>/dev/null || true
    done
    rm -rf "$base"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -S "$base/run/bus" ] && break; sleep 0.05; done
as_user systemctl --user start pipewire.socket pipewire-pulse.socket pipewire.service \
    pipewire-pulse.service wireplumber.service
for _ in $(seq 100); do as_user pactl info >/dev/null 2>&1 && break; sleep 0.05; done
status=0
as_user "$@" || status=$?
exit "$status"
