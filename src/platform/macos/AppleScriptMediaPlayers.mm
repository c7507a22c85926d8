#include "AppleScriptMediaPlayers.h"

#import "FoundationStrings.h"

#import <AppKit/AppKit.h>
#include <CoreServices/CoreServices.h>
#import <Foundation/Foundation.h>

namespace sonifix {

using macos::toNSString;
using macos::toStdString;

namespace {

// The script's answer as text; nothing when the script cannot be made, fails, or answers
// something that is not text.
std::optional<std::string> runScript(const std::string& source) {
    @autoreleasepool {
        NSAppleScript* script = [[NSAppleScript alloc] initWithSource:toNSString(source)];
        if (script == nil) {
            return std::nullopt;
        }
        NSDictionary* errorInfo = nil;
        NSAppleEventDescriptor* answer = [script executeAndReturnError:&errorInfo];
        if (errorInfo != nil) {
            return std::nullopt;
        }
        NSString* text = answer.stringValue;
        if (text == nil) {
            return std::nullopt;
        }
        return toStdString(text);
    }
}

} // namespace

bool AppleScriptMediaPlayers::isRunning(const MediaPlayer& player) {
    @autoreleasepool {
        NSArray* running = [NSRunningApplication
            runningApplicationsWithBundleIdentifier:toNSString(player.bundleIdentifier)];
        return running.count > 0;
    }
}

std::optional<std::string> AppleScriptMediaPlayers::playerState(const MediaPlayer& player,
                                                                const std::string& script) {
    (void)player;
    return runScript(script);
}

void AppleScriptMediaPlayers::resume(const MediaPlayer& player, const std::string& script) {
    (void)player;
    runScript(script);
}

int AppleScriptMediaPlayers::automationPermission(const MediaPlayer& player, bool askUser) {
    @autoreleasepool {
        NSAppleEventDescriptor* target = [NSAppleEventDescriptor
            descriptorWithBundleIdentifier:toNSString(player.bundleIdentifier)];
        const AEDesc* address = target.aeDesc;
        if (address == nullptr) {
            return paramErr;
        }
        // Any event: the permission is the app's to script the player at all.
        return int(
            AEDeterminePermissionToAutomateTarget(address, typeWildCard, typeWildCard, askUser));
    }
}

} // namespace sonifix
