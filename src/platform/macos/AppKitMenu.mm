#include "AppKitMenu.h"

#import "FoundationStrings.h"
#include "support/CallbackBoundary.h"

#import <AppKit/AppKit.h>
#include <string>

using sonifix::macos::toNSString;

struct sonifix::AppKitMenu::Impl {
    NSMenu* menu = nil;
    id<NSMenuDelegate> target = nil;
    std::weak_ptr<MenuDelegate> delegate;
    std::vector<MenuItem> items;

    void needsUpdate() {
        if (const auto current = delegate.lock()) {
            current->menuNeedsUpdate();
        }
    }

    void didClose() {
        if (const auto current = delegate.lock()) {
            current->menuDidClose();
        }
    }

    void choose(NSInteger index) {
        if (index < 0 || std::size_t(index) >= items.size()) {
            return;
        }
        // A copy: whatever the delegate does may replace the items.
        const MenuItem item = items[std::size_t(index)];
        if (const auto current = delegate.lock()) {
            current->perform(item);
        }
    }
};

// The menu's delegate and the target of every item that goes to the app delegate. It is owned
// by the menu adapter, which outlives it.
@interface SNFXMenuTarget : NSObject <NSMenuDelegate> {
@public
    sonifix::AppKitMenu::Impl* owner;
}
- (void)chooseItem:(NSMenuItem*)sender;
@end

@implementation SNFXMenuTarget
- (void)menuNeedsUpdate:(NSMenu*)menu {
    (void)menu;
    sonifix::callbackBoundary("filling the menu", [&] { owner->needsUpdate(); });
}

- (void)menuDidClose:(NSMenu*)menu {
    (void)menu;
    sonifix::callbackBoundary("closing the menu", [&] { owner->didClose(); });
}

- (void)chooseItem:(NSMenuItem*)sender {
    const NSInteger index = sender.tag;
    sonifix::callbackBoundary("a menu item", [&] { owner->choose(index); });
}
@end

namespace sonifix {

namespace {

NSMenuItem* makeItem(const MenuItem& item, NSInteger index, id target) {
    if (item.separator) {
        return [NSMenuItem separatorItem];
    }
    SEL action = nullptr;
    if (item.target == MenuTarget::application && item.action == MenuAction::terminate) {
        action = @selector(terminate:);
    } else if (item.action != MenuAction::none) {
        action = @selector(chooseItem:);
    }
    NSMenuItem* menuItem = [[NSMenuItem alloc] initWithTitle:toNSString(item.title)
                                                      action:action
                                               keyEquivalent:toNSString(item.keyEquivalent)];
    if (item.target == MenuTarget::application) {
        menuItem.target = NSApp;
    } else if (item.target == MenuTarget::delegate) {
        menuItem.target = target;
    }
    menuItem.tag = index;
    menuItem.enabled = item.enabled;
    menuItem.state = item.on ? NSControlStateValueOn : NSControlStateValueOff;
    if (const auto* key = std::any_cast<std::string>(&item.representedObject)) {
        menuItem.representedObject = toNSString(*key);
    }
    if (!item.toolTip.empty()) {
        menuItem.toolTip = toNSString(item.toolTip);
    }
    return menuItem;
}

} // namespace

AppKitMenu::AppKitMenu() : impl(std::make_unique<Impl>()) {
    impl->menu = [[NSMenu alloc] init];
    impl->menu.autoenablesItems = NO;
    SNFXMenuTarget* target = [[SNFXMenuTarget alloc] init];
    target->owner = impl.get();
    impl->target = target;
}

AppKitMenu::~AppKitMenu() {
    impl->menu.delegate = nil;
}

void AppKitMenu::setDelegate(std::weak_ptr<MenuDelegate> delegate) {
    impl->delegate = std::move(delegate);
    impl->menu.delegate = impl->target;
}

void AppKitMenu::replaceItems(const std::vector<MenuItem>& items) {
    [impl->menu removeAllItems];
    impl->items = items;
    for (std::size_t index = 0; index < items.size(); ++index) {
        [impl->menu addItem:makeItem(items[index], NSInteger(index), impl->target)];
    }
}

void* AppKitMenu::nativeMenu() const {
    return (__bridge void*)impl->menu;
}

} // namespace sonifix
