#!/usr/bin/env bash
# Shows that ThreadSanitizer, with the suppressions the tests run under, still sees races in our
# code: a deliberate race through the main queue must be reported, naming the probe's own frame,
# and the same hand-over made in order must not be. Builds the probe in the tsan preset.
# Usage: tools/thread-sanitizer-probe.sh
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset tsan >/dev/null
cmake --build --preset tsan --target sonifix_thread_sanitizer_probe
probe=build/tsan/tests/sonifix_thread_sanitizer_probe
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=0 exitcode=66"

if ! "$probe" ordered >"$scratch/ordered" 2>&1; then
    cat "$scratch/ordered" >&2
    echo "ThreadSanitizer reported a hand-over through the main queue made in order" >&2
    exit 1
fi
if "$probe" racing >"$scratch/racing" 2>&1 ||
    ! grep -q "ThreadSanitizer: data race" "$scratch/racing" ||
    ! grep -q "writeHandedNumber" "$scratch/racing"; then
    cat "$scratch/racing" >&2
    echo "ThreadSanitizer did not report the race through the main queue: a suppression hides it" >&2
    exit 1
fi
echo "ThreadSanitizer reports the race through the main queue, and only that"
