#include "AppleScriptMediaPlayers.h"

#import "FoundationStrings.h"

#import <AppKit/AppKit.h>
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

} // namespace sonifix
