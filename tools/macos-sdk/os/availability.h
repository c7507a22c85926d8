#pragma once

// <os/availability.h>, for macOS only: API_AVAILABLE(macos(11.0)) and
// API_DEPRECATED("message", macos(10.0, 14.0)) become clang's availability attributes, which
// clang checks against the deployment target of the Apple target it compiles for.

#define API_TO_BE_DEPRECATED 100000

#define __SONIFIX_API_AVAILABLE_macos(introducedIn) macos, introduced = introducedIn
#define __SONIFIX_API_DEPRECATED_macos(introducedIn, deprecatedIn)                                 \
    macos, introduced = introducedIn, deprecated = deprecatedIn

#define API_AVAILABLE(platform) __attribute__((availability(__SONIFIX_API_AVAILABLE_##platform)))
#define API_DEPRECATED(text, platform)                                                             \
    __attribute__((availability(__SONIFIX_API_DEPRECATED_##platform, message = text)))
#define API_UNAVAILABLE(platform) __attribute__((availability(platform, unavailable)))

// The SDK's own version (Availability.h): what it declares at all. A declaration introduced in a
// later macOS than the SDK's is not there, whatever @available says. tools/check-macos.sh
// defines it for each SDK it stands in for; 14 is the newest these headers model.
#define __MAC_13_0 130000
#define __MAC_14_0 140000
#ifndef __MAC_OS_X_VERSION_MAX_ALLOWED
#define __MAC_OS_X_VERSION_MAX_ALLOWED __MAC_14_0
#endif
