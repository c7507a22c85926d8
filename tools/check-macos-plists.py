#!/usr/bin/env python3
"""Reads the macOS app's Info.plist template and entitlements as property lists, as macOS
would, and checks the keys the app cannot run or ship without. Usage: check-macos-plists.py"""

import plistlib
import re
import sys
from pathlib import Path

root = Path(__file__).resolve().parent.parent
macos = root / "src/platform/macos"
problems = []


def load(path, text):
    try:
        return plistlib.loads(text.encode("utf-8"), fmt=plistlib.FMT_XML)
    except Exception as error:  # plistlib raises several kinds for malformed XML
        problems.append(f"{path.relative_to(root)} is not a property list: {error}")
        return {}


def expect(path, plist, key, wanted):
    if plist.get(key) != wanted:
        problems.append(f"{path.relative_to(root)}: {key} is {plist.get(key)!r}, not {wanted!r}")


# CMake fills the ${...} placeholders; a sample value stands in for each here.
info_path = macos / "Info.plist.in"
info = load(info_path, re.sub(r"\$\{(\w+)\}", r"sample-\1", info_path.read_text()))
deployment = re.search(r'CMAKE_OSX_DEPLOYMENT_TARGET "([0-9.]+)"',
                       (root / "CMakeLists.txt").read_text())
expect(info_path, info, "LSMinimumSystemVersion", deployment and deployment.group(1))
expect(info_path, info, "LSUIElement", True)
expect(info_path, info, "NSHighResolutionCapable", True)
expect(info_path, info, "CFBundleIconFile", "sample-MACOSX_BUNDLE_ICON_FILE")
expect(info_path, info, "CFBundlePackageType", "APPL")
schemes = [scheme for kind in info.get("CFBundleURLTypes", [])
           for scheme in kind.get("CFBundleURLSchemes", [])]
if schemes != ["sonifix"]:
    problems.append(f"Info.plist.in: the app's links are {schemes!r}, not ['sonifix']")
if not info.get("NSAppleEventsUsageDescription"):
    problems.append("Info.plist.in: no NSAppleEventsUsageDescription for the players' scripts")

entitlements_path = macos / "Sonifix.entitlements"
entitlements = load(entitlements_path, entitlements_path.read_text())
expect(entitlements_path, entitlements, "com.apple.security.automation.apple-events", True)

for problem in problems:
    print(problem, file=sys.stderr)
print(f"macOS property lists: {'fine' if not problems else f'{len(problems)} problems'}")
sys.exit(1 if problems else 0)
