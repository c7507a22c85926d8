#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# (build/fuzz), then runs each for a while from its seeds in fuzz/corpus. What a run discovers
# goes to a scratch folder, never into the repository; an input that crashes a target is kept in
# build/fuzz/crashes and fails the script. Installs clang's fuzzing runtime when it is missing.
# Usage: tools/fuzz.sh [seconds per target, 20 by default]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"

# The distribution's own clang and its runtime, libFuzzer included (clang 14 on Debian 12).
tools/install-missing.sh cmake ninja-build pkg-config clang libclang-rt-dev libicu-dev \
    nlohmann-json3-dev libcurl4-openssl-dev libpulse-dev qt6-base-dev libxcb1-dev \
    libxcb-keysyms1-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# Qt asks for as much memory as a damaged preferences file claims a stored value needs, and copes
# when it gets none, as every caller here does. An allocation beyond any real need therefore fails,
# as it may outside the sanitizer, instead of ending the run or filling the machine's memory.
export ASAN_OPTIONS="allocator_may_return_null=1:max_allocation_size_mb=256${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# The settings target writes a file for every input: to memory where the system offers it.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
crashes="$PWD/build/fuzz/crashes"
mkdir -p "$crashes"

summary=()
for seeds in fuzz/corpus/*/; do
    target="$(basename "$seeds")"
    mkdir -p "$scratch/$target"
    echo "== $target (${seconds} s)"
    # New inputs go to the first folder; the seeds are only read.
    if ! build/fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$crashes/$target-" "$scratch/$target" "$seeds" \
        >"$scratch/$target.log" 2>&1; then
        tail -n 60 "$scratch/$target.log"
        echo "$target failed; the input is in $crashes" >&2
        exit 1
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$target.log")"
    summary+=("$(printf '%-24s %10s runs %8s exec/s' "$target" "$runs" \
        "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$scratch/$target.log")")")
done
printf '%s\n' "${summary[@]}"
