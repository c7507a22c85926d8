#!/usr/bin/env bash
# Installs, with apt-get, those of the given Debian packages that are not installed yet.
# Usage: tools/install-missing.sh PACKAGE...
set -euo pipefail
missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
((${#missing[@]})) || exit 0
echo "Installing ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
# Sound servers' packages switch their user services on for every account as they install; on a
# developer's desktop two servers would then fight over the sound at the next login. Whatever the
# installation switches on is switched off again, so the machine's sound set-up stays as it was.
user_units() { find /etc/systemd/user -type l 2>/dev/null | sort; }
before=$(user_units)
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
comm -13 <(echo "$before") <(user_units) | while IFS= read -r link; do
    [ -n "$link" ] && "${as_root[@]}" rm -f "$link"
done
