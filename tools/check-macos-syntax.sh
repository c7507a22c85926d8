#!/usr/bin/env bash
# Compiles every Objective-C++ file of the macOS app in syntax-only mode, here on Linux: clang
# against GNUstep's Foundation and AppKit headers, plus tools/macos-stubs/AppleSDKStandIns.h,
# which declares with Apple's signatures what GNUstep lacks. It catches misspelt selectors,
# wrong argument types and C++ errors; it cannot catch ARC mistakes (GNUstep's runtime here has
# no ARC) or differences between a stand-in and the real SDK. Installs its Debian packages when
# they are missing. Usage: tools/check-macos-syntax.sh
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(clang gobjc++ libgnustep-gui-dev libblocksruntime-dev)
tools/install-missing.sh "${packages[@]}"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# The SDK's umbrella headers that GNUstep does not have: empty here, since the stand-in header,
# included before every file, declares what the adapters use of them.
for header in CoreFoundation/CoreFoundation.h CoreAudio/CoreAudio.h Carbon/Carbon.h \
    ServiceManagement/ServiceManagement.h dispatch/dispatch.h; do
    mkdir -p "$scratch/$(dirname "$header")"
    : >"$scratch/$header"
done
# Debian's GNUstep is built on GCC's Objective-C runtime, which ships no blocks header; the
# blocks runtime package has the functions that header would declare.
mkdir -p "$scratch/objc"
echo '#include <Block.h>' >"$scratch/objc/blocks_runtime.h"

# GNUstep's own definitions and include directories, without its build-only flags.
gnustep_flags=()
for flag in $(gnustep-config --objc-flags); do
    case "$flag" in
    -D* | -fconstant-string-class=* | -fobjc-exceptions | -fexceptions) gnustep_flags+=("$flag") ;;
    -I/*) [ -d "${flag#-I}" ] && gnustep_flags+=("-isystem" "${flag#-I}") ;;
    esac
done

flags=(
    -fsyntax-only -x objective-c++ -std=c++20
    -fobjc-runtime=gcc -fblocks -fconstant-string-class=NSConstantString
    -Wall -Wextra -Wpedantic -Wno-missing-field-initializers -Werror
    # GNUstep makes every NSMenuDelegate method required; in the SDK they are all optional.
    -Wno-protocol
    "${gnustep_flags[@]}"
    -isystem "$scratch"
    -idirafter "$(gcc -print-file-name=include)"
    -include tools/macos-stubs/AppleSDKStandIns.h
    -Isrc -Isrc/platform/macos
)

checked=0
failed=0
while IFS= read -r file; do
    if clang++ "${flags[@]}" "$file"; then
        checked=$((checked + 1))
    else
        echo "FAILED: $file" >&2
        failed=$((failed + 1))
    fi
done < <(find src/platform/macos -name '*.mm' | sort)

echo "Objective-C++ syntax check: $checked passed, $failed failed"
((checked > 0 && failed == 0))
