#!/usr/bin/env bash
# Builds Sonifix and starts it.
set -euo pipefail
cd "$(dirname "$0")"
cmake --preset release >/dev/null
cmake --build --preset release
if [ -x build/release/sonifix ]; then
    exec build/release/sonifix
fi
echo "Sonifix's restart engine is built (build/release); the app itself is not there yet, so there is nothing to start."
