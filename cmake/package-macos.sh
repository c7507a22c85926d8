#!/bin/sh
# Puts the signed app in a disk image beside a link to /Applications, signs the image, and,
# given a notarytool keychain profile, has Apple notarize it and staples the ticket to it.
# Usage: package-macos.sh APP DMG VOLUME-NAME IDENTITY [NOTARY-PROFILE]
set -eu
app="$1"
dmg="$2"
volume="$3"
identity="$4"
profile="${5:-}"

codesign --verify --strict --verbose=2 "$app"

staging="$(mktemp -d)"
trap 'rm -rf "$staging"' EXIT
# ditto keeps the signature's extended attributes, which cp may not.
ditto "$app" "$staging/$(basename "$app")"
ln -s /Applications "$staging/Applications"
rm -f "$dmg"
hdiutil create -volname "$volume" -srcfolder "$staging" -fs HFS+ -format UDZO -ov "$dmg"

if [ "$identity" != "-" ]; then
    codesign --force --timestamp --sign "$identity" "$dmg"
fi
if [ -n "$profile" ]; then
    xcrun notarytool submit "$dmg" --keychain-profile "$profile" --wait
    xcrun stapler staple "$dmg"
    xcrun stapler validate "$dmg"
fi
echo "Made $dmg"
