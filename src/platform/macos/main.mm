// The macOS composition root: the shared application, the adapters, the one AppDelegate, and
// the event loop.

#include "AppKitAlerts.h"
#include "AppKitMainMenu.h"
#include "AppKitMenu.h"
#include "AppKitStatusItem.h"
#include "AppKitWorkspace.h"
#include "AppleScriptAdminShell.h"
#include "AppleScriptMediaPlayers.h"
#include "CarbonHotKeys.h"
#include "CoreAudioHardware.h"
#include "DispatchMainQueue.h"
#include "FoundationRelativeTimeFormatter.h"
#include "FoundationStrings.h"
#include "FoundationUserAccount.h"
#include "ServiceManagementLoginItems.h"
#include "URLSessionHttpClient.h"
#include "UserDefaultsSettingsStore.h"
#include "app/AlertQueue.h"
#include "app/AppDelegate.h"
#include "app/PlatformTexts.h"
#include "platform/Platform.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/ThreadExecutor.h"
#include "restart/DaemonIdentity.h"
#include "support/CallbackBoundary.h"

#import <AppKit/AppKit.h>
#include <memory>

// Hands the launch, a reopening and the app's links (the get-URL Apple event, which AppKit
// answers with application:openURLs:) over to the core's delegate, which the entry point keeps
// alive.
@interface SNFXApplicationDelegate : NSObject <NSApplicationDelegate> {
@public
    sonifix::AppDelegate* delegate;
}
@end

@implementation SNFXApplicationDelegate
- (void)applicationDidFinishLaunching:(NSNotification*)notification {
    (void)notification;
    sonifix::callbackBoundary("the launch", [&] { delegate->applicationDidFinishLaunching(); });
}

// Opened again from the Finder or Spotlight while it runs: the app has no window to show, and
// its icon may be out of sight behind the notch, so the core says that it runs.
- (BOOL)applicationShouldHandleReopen:(NSApplication*)sender hasVisibleWindows:(BOOL)flag {
    (void)sender;
    (void)flag;
    sonifix::callbackBoundary("the reopening", [&] { delegate->launchedAgain(); });
    return NO;
}

- (void)application:(NSApplication*)application openURLs:(NSArray<NSURL*>*)urls {
    (void)application;
    for (NSURL* url in urls) {
        const std::string link = sonifix::macos::toStdString(url.absoluteString);
        sonifix::callbackBoundary("a link", [&] { delegate->openUrl(link); });
    }
}
@end

int main() {
    @autoreleasepool {
        NSApplication* app = [NSApplication sharedApplication];

        sonifix::PosixProcessRunner processes;
        sonifix::AppleScriptAdminShell adminShell;
        sonifix::CoreAudioHardware hardware;
        sonifix::PosixFileSystem files;
        sonifix::FoundationUserAccount user;
        sonifix::DispatchMainQueue mainQueue;
        sonifix::StopTokenSleeper sleeper;
        sonifix::ThreadExecutor background;
        sonifix::UserDefaultsSettingsStore settings;
        sonifix::AppKitStatusItem statusItem;
        sonifix::AppKitMenu menu;
        sonifix::AppKitAlerts alerts;
        sonifix::AppKitWorkspace workspace;
        // The app's alerts, one at a time.
        sonifix::AlertQueue alertQueue(alerts, mainQueue, workspace);
        sonifix::ServiceManagementLoginItems loginItems;
        sonifix::SystemClock clock;
        sonifix::FoundationRelativeTimeFormatter relativeTime;
        sonifix::AppleScriptMediaPlayers players;
        sonifix::CarbonHotKeys hotKeys;
        sonifix::URLSessionHttpClient http;
        sonifix::PosixProgramLauncher launcher;

        sonifix::Platform platform{
            .processes = processes,
            .adminShell = adminShell,
            .hardware = hardware,
            .files = files,
            .user = user,
            .mainQueue = mainQueue,
            .sleeper = sleeper,
            .background = background,
            .settings = settings,
            .statusItem = statusItem,
            .menu = menu,
            .alerts = alertQueue,
            .workspace = workspace,
            .loginItems = loginItems,
            .clock = clock,
            .relativeTime = relativeTime,
            .players = players,
            .hotKeys = hotKeys,
            .http = http,
            .launcher = launcher,
        };

        // Lives as long as the process: Quit ends the process from inside the event loop.
        const auto delegate = std::make_shared<sonifix::AppDelegate>(
            platform, sonifix::DaemonIdentity::coreaudiod(), sonifix::PlatformTexts::macOS());

        // NSApplication holds its delegate weakly, and ARC may release a local object after its
        // last use rather than at the end of its scope: this one must live as long as the loop.
        NS_VALID_UNTIL_END_OF_SCOPE SNFXApplicationDelegate* applicationDelegate =
            [[SNFXApplicationDelegate alloc] init];
        applicationDelegate->delegate = delegate.get();
        app.delegate = applicationDelegate;
        sonifix::installMainMenu();
        [app run];
    }
    return 0;
}
