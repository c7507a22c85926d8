#!/usr/bin/env python3
"""Checks that every call the macOS app makes into the Core Audio HAL goes through the adapter's
bounded queue: a call made straight from the main thread hangs the app for as long as a wedged
coreaudiod does. Usage: check-macos-hal.py"""

import re
import sys
from pathlib import Path

source = Path(__file__).resolve().parent.parent / "src/platform/macos/CoreAudioHardware.mm"
text = source.read_text()


def bounded_spans():
    """The argument lists of every calls->run(...), by matching parentheses."""
    for start in (m.end() for m in re.finditer(r"calls->run\(", text)):
        depth, at = 1, start
        while depth and at < len(text):
            depth += {"(": 1, ")": -1}.get(text[at], 0)
            at += 1
        yield start, at


spans = list(bounded_spans())
unbounded = [
    f"{source.name}:{text.count(chr(10), 0, m.start()) + 1}: {m.group(1)} is not inside calls->run"
    for m in re.finditer(r"\b(AudioObject(?:Get|Set|Add|Remove|Has|Is)\w*)\s*\(", text)
    if not any(start <= m.start() < end for start, end in spans)
]
print("\n".join(unbounded) or "Core Audio calls: all bounded", file=sys.stderr if unbounded else sys.stdout)
sys.exit(1 if unbounded else 0)
