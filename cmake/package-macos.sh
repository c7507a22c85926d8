#!/bin/sh
# Given a notarytool keychain profile, has Apple notarize the signed app (sent as a zip, since
# the service takes no bare bundle) and staples the ticket to the app itself, so that a copy
# taken out of the disk image launches offline too. Then puts the app in a disk image beside a
# link to /Applications, signs the image, and has it notarized and stapled as well.
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

# stapler fails when the service did not accept the upload: no ticket, no package.
notarize() {
    xcrun notarytool submit "$1" --keychain-profile "$profile" --wait
    xcrun stapler staple "$2"
    xcrun stapler validate "$2"
}

if [ -n "$profile" ]; then
    mkdir "$staging/upload"
    ditto -c -k --keepParent "$app" "$staging/upload/app.zip"
    notarize "$staging/upload/app.zip" "$app"
    # The ticket sits beside the signature and must leave it intact.
    codesign --verify --strict --verbose=2 "$app"
fi

mkdir "$staging/image"
# ditto keeps the signature's extended attributes, which cp may not.
ditto "$app" "$staging/image/$(basename "$app")"
ln -s /Applications "$staging/image/Applications"
rm -f "$dmg"
hdiutil create -volname "$volume" -srcfolder "$staging/image" -fs HFS+ -format UDZO -ov "$dmg"

if [ "$identity" != "-" ]; then
    codesign --force --timestamp --sign "$identity" "$dmg"
fi
if [ -n "$profile" ]; then
    notarize "$dmg" "$dmg"
fi
echo "Made $dmg"
