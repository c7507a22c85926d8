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
