#!/bin/sh
# Makes the app's .icns from its 1024-pixel artwork, with the tools every Mac has.
# Usage: make-icns.sh ARTWORK.png OUTPUT.icns
set -eu
artwork="$1"
icns="$2"
iconset="${icns%.icns}.iconset"
rm -rf "$iconset"
mkdir -p "$iconset"
for size in 16 32 128 256 512; do
    sips -z "$size" "$size" "$artwork" --out "$iconset/icon_${size}x${size}.png" >/dev/null
    double=$((size * 2))
    sips -z "$double" "$double" "$artwork" --out "$iconset/icon_${size}x${size}@2x.png" >/dev/null
done
iconutil --convert icns --output "$icns" "$iconset"
