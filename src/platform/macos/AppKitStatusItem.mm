#include "AppKitStatusItem.h"

#include "AppKitMenu.h"
#import "FoundationStrings.h"

#import <AppKit/AppKit.h>

namespace sonifix {

using macos::toNSString;

struct AppKitStatusItem::Impl {
    NSStatusItem* item = nil;
};

AppKitStatusItem::AppKitStatusItem() : impl(std::make_unique<Impl>()) {
    impl->item = [[NSStatusBar systemStatusBar] statusItemWithLength:NSSquareStatusItemLength];
}

AppKitStatusItem::~AppKitStatusItem() = default;

void AppKitStatusItem::showSymbol(const std::string& symbolName,
                                  const std::string& accessibilityDescription) {
    NSImage* image = [NSImage imageWithSystemSymbolName:toNSString(symbolName)
                               accessibilityDescription:toNSString(accessibilityDescription)];
    if (image != nil) {
        [image setTemplate:YES];
    }
    NSStatusBarButton* button = impl->item.button;
    if (button != nil) {
        button.image = image;
    }
}

void AppKitStatusItem::attachMenu(Menu& menu) {
    if (const auto* appKitMenu = dynamic_cast<AppKitMenu*>(&menu)) {
        impl->item.menu = (__bridge NSMenu*)appKitMenu->nativeMenu();
    }
}

} // namespace sonifix
