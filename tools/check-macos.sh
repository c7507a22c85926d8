#!/usr/bin/env bash
# Compiles, in syntax-only mode, every source file that goes into the macOS app the way Xcode
# would: clang 19 for an Apple target at the app's minimum macOS, libc++ 19 with Apple's
# availability markup switched on and no experimental library, ARC for Objective-C++, the app's
# warnings as errors. It does so four times: for both slices of the universal app (Intel and
# Apple silicon) and with the SDKs of the oldest and newest Xcode the stand-ins model (macOS 13,
# Xcode 14; macOS 14, Xcode 15 and later), since any of them may build a release. The SDK is not
# here: tools/macos-sdk stands in for what the app uses of it. Then it reads Info.plist and the
# entitlements as property lists. What this cannot see is listed in tools/macos-sdk/README.md.
# Installs its Debian packages when they are missing.
# Usage: tools/check-macos.sh [file...]   (by default every file of the app)
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-missing.sh clang-19 libc++-19-dev libc++abi-19-dev

minimum_macos="$(sed -n 's/^set(CMAKE_OSX_DEPLOYMENT_TARGET "\([0-9.]*\)".*/\1/p' CMakeLists.txt)"
[ -n "$minimum_macos" ] || { echo "No deployment target in CMakeLists.txt" >&2; exit 1; }
libcxx=/usr/lib/llvm-19/include/c++/v1
multiarch="$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# Debian builds libc++ without the availability markup Apple's copy has; with it, a library
# call that Apple's libc++ only has from a later macOS than the minimum is an error.
mkdir -p "$scratch/libcxx"
grep -v '_LIBCPP_HAS_NO_VENDOR_AVAILABILITY_ANNOTATIONS' "$libcxx/__config_site" \
    >"$scratch/libcxx/__config_site"

common=(
    -fsyntax-only -std=c++20
    # The app's warning set (CMake's sonifix_warnings), plus availability at its strictest.
    -Wall -Wextra -Wpedantic -Wno-missing-field-initializers -Werror
    -Werror=unguarded-availability -Werror=deprecated-declarations
    -nostdinc++ -isystem "$scratch/libcxx" -isystem "$libcxx"
    -isystem tools/macos-sdk -isystem tools/macos-sdk/libc
    # The C library is glibc's, seen as POSIX only (no GNU extensions), since Darwin's is not
    # here. Its __nonnull() macro clashes with the keyword clang defines for Apple targets.
    -U__nonnull -U__nullable -D_XOPEN_SOURCE=700 -D__NO_CTYPE
    -isystem "/usr/include/$multiarch" -isystem /usr/include
    # As the macOS targets in CMakeLists.txt define it.
    -D__ASSERT_MACROS_DEFINE_VERSIONS_WITHOUT_UNDERSCORES=0
    -Isrc -Isrc/platform/macos
)
objcxx=(-x objective-c++ -fobjc-arc)

# Every file of the app: the core, the POSIX adapters it uses on a Mac, the Objective-C++
# adapters and the entry point.
files=()
while IFS= read -r file; do
    files+=("$file")
done < <(find src -name '*.cpp' -o -name '*.mm' | grep -v '^src/platform/linux/' |
    grep -v '^src/platform/posix/CurlHttpClient.cpp$' | sort)
(($# == 0)) || files=("$@")

# An adapter that CMake does not build would pass here unseen.
for file in "${files[@]}"; do
    case "$file" in
    src/platform/macos/*) grep -q "$file" CMakeLists.txt || {
        echo "$file is not in CMakeLists.txt" >&2
        exit 1
    } ;;
    esac
done

checked=0
failed=()
# A pass is a slice and an SDK: the SDK's version decides what it declares at all.
for pass in "x86_64 14" "arm64 14" "x86_64 13" "arm64 13"; do
    read -r arch sdk <<<"$pass"
    flags=(--target="$arch-apple-macos$minimum_macos" "-D__MAC_OS_X_VERSION_MAX_ALLOWED=${sdk}0000"
        "${common[@]}")

    # The stand-ins keep their teeth: each of these must fail as Xcode would fail it, with the
    # error its "Expect:" line names, in every pass its "Only:" line (if any) names.
    for file in tools/macos-sdk/must-fail/*; do
        only="$(sed -n 's|^// Only: ||p' "$file")"
        [[ -z "$only" || " $only " == *" $arch "* || " $only " == *" sdk$sdk "* ]] || continue
        language=()
        [[ "$file" == *.mm ]] && language=("${objcxx[@]}")
        expected="$(sed -n 's|^// Expect: ||p' "$file")"
        if clang++-19 "${flags[@]}" "${language[@]}" "$file" >"$scratch/output" 2>&1 ||
            ! grep -qF "$expected" "$scratch/output"; then
            cat "$scratch/output" >&2
            echo "$file ($arch, macOS $sdk SDK): expected the error \"$expected\"; a stand-in" \
                "has lost its check" >&2
            exit 1
        fi
    done

    for file in "${files[@]}"; do
        language=()
        [[ "$file" == *.mm ]] && language=("${objcxx[@]}")
        if clang++-19 "${flags[@]}" "${language[@]}" "$file"; then
            checked=$((checked + 1))
        else
            failed+=("$file ($arch, macOS $sdk SDK)")
        fi
    done
done

# The bundle's property lists, read as macOS reads them; no call into the HAL unbounded.
python3 tools/check-macos-plists.py || failed+=(src/platform/macos/Info.plist.in)
python3 tools/check-macos-hal.py || failed+=(src/platform/macos/CoreAudioHardware.mm)

echo "macOS check (clang 19, libc++ 19, macOS $minimum_macos; Intel and arm64; macOS 13 and 14" \
    "SDKs): $checked passed, ${#failed[@]} failed"
for file in "${failed[@]}"; do
    echo "FAILED: $file" >&2
done
((checked > 0 && ${#failed[@]} == 0))
