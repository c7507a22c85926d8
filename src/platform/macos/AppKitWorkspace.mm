#include "AppKitWorkspace.h"

#import "FoundationStrings.h"
#include "support/CallbackBoundary.h"

#import <AppKit/AppKit.h>
#include <objc/message.h>
#include <objc/runtime.h>
#include <vector>

using sonifix::callbackBoundary;
using sonifix::macos::toNSString;

struct sonifix::AppKitWorkspace::Impl {
    std::vector<std::function<void()>> wakeHandlers;
    // Notification centers do not keep their observers alive.
    NSMutableArray* observers = nil;
};

// One per observeWake call; its handler lives in the workspace adapter, which outlives it.
@interface SNFXWakeObserver : NSObject {
@public
    sonifix::AppKitWorkspace::Impl* owner;
    std::size_t index;
}
- (void)didWake:(NSNotification*)notification;
@end

@implementation SNFXWakeObserver
- (void)didWake:(NSNotification*)notification {
    (void)notification;
    callbackBoundary("the wake notification", [&] { owner->wakeHandlers[index](); });
}
@end

namespace sonifix {

AppKitWorkspace::AppKitWorkspace() : impl(std::make_unique<Impl>()) {
    impl->observers = [[NSMutableArray alloc] init];
}

AppKitWorkspace::~AppKitWorkspace() {
    NSNotificationCenter* center = [NSWorkspace sharedWorkspace].notificationCenter;
    for (id observer in impl->observers) {
        [center removeObserver:observer];
    }
}

void AppKitWorkspace::activateIgnoringOtherApps() {
    [NSApp activateIgnoringOtherApps:YES];
}

void AppKitWorkspace::activate() {
    // -[NSApplication activate] came with macOS 14 and its SDK: sent by name, it needs no SDK
    // that declares it, so any Xcode that can build for macOS 13 builds the app. The core asks
    // for it on macOS 14 and later only.
    SEL activate = sel_registerName("activate");
    if ([NSApp respondsToSelector:activate]) {
        reinterpret_cast<void (*)(id, SEL)>(objc_msgSend)(NSApp, activate);
    } else {
        [NSApp activateIgnoringOtherApps:YES];
    }
}

int AppKitWorkspace::systemMajorVersion() {
    return int(NSProcessInfo.processInfo.operatingSystemVersion.majorVersion);
}

void AppKitWorkspace::terminate() {
    [NSApp terminate:nil];
}

void AppKitWorkspace::observeWake(std::function<void()> handler) {
    impl->wakeHandlers.push_back(std::move(handler));
    SNFXWakeObserver* observer = [[SNFXWakeObserver alloc] init];
    observer->owner = impl.get();
    observer->index = impl->wakeHandlers.size() - 1;
    [impl->observers addObject:observer];
    [[NSWorkspace sharedWorkspace].notificationCenter addObserver:observer
                                                         selector:@selector(didWake:)
                                                             name:NSWorkspaceDidWakeNotification
                                                           object:nil];
}

void AppKitWorkspace::openURL(const std::string& url) {
    NSURL* address = [NSURL URLWithString:toNSString(url)];
    // Text that is no address opens nothing, as an address the workspace cannot open would.
    if (address != nil) {
        [[NSWorkspace sharedWorkspace] openURL:address];
    }
}

void AppKitWorkspace::openApplication(const std::string& path) {
    [[NSWorkspace sharedWorkspace] openURL:[NSURL fileURLWithPath:toNSString(path)]];
}

void AppKitWorkspace::showAboutPanel(const AboutCredits& credits) {
    NSDictionary* attributes = @{
        NSFontAttributeName : [NSFont systemFontOfSize:credits.pointSize],
        NSForegroundColorAttributeName : [NSColor secondaryLabelColor],
    };
    NSAttributedString* text = [[NSAttributedString alloc] initWithString:toNSString(credits.text)
                                                               attributes:attributes];
    [NSApp orderFrontStandardAboutPanelWithOptions:@{NSAboutPanelOptionCredits : text}];
}

} // namespace sonifix
