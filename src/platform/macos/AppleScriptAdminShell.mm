#include "AppleScriptAdminShell.h"

#import "FoundationStrings.h"

#import <Foundation/Foundation.h>
#include <cmath>

namespace sonifix {

using macos::toNSString;
using macos::toStdString;

namespace {

// Only a whole number counts: an error number of any other kind is no error number.
std::optional<std::int64_t> errorNumber(id value) {
    if (![value isKindOfClass:[NSNumber class]]) {
        return std::nullopt;
    }
    NSNumber* number = value;
    const double asDouble = number.doubleValue;
    if (!std::isfinite(asDouble) || asDouble != std::trunc(asDouble)) {
        return std::nullopt;
    }
    return std::int64_t(number.longLongValue);
}

std::optional<std::string> errorMessage(id value) {
    if (![value isKindOfClass:[NSString class]]) {
        return std::nullopt;
    }
    return toStdString(value);
}

} // namespace

AdminScriptResult AppleScriptAdminShell::run(const std::string& script) {
    @autoreleasepool {
        NSAppleScript* appleScript = [[NSAppleScript alloc] initWithSource:toNSString(script)];
        if (appleScript == nil) {
            return {.made = false};
        }
        NSDictionary* errorInfo = nil;
        [appleScript executeAndReturnError:&errorInfo];
        if (errorInfo == nil) {
            return {};
        }
        return {.error = ScriptError{
                    .number = errorNumber([errorInfo objectForKey:NSAppleScriptErrorNumber]),
                    .message = errorMessage([errorInfo objectForKey:NSAppleScriptErrorMessage]),
                }};
    }
}

} // namespace sonifix
