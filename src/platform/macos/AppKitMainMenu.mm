#include "AppKitMainMenu.h"

#import <AppKit/AppKit.h>

namespace sonifix {

namespace {

// The actions go to the first responder (a field editor handles them all), so the items have
// no target.
void addItem(NSMenu* menu, NSString* title, SEL action, NSString* key,
             NSEventModifierFlags modifiers = NSEventModifierFlagCommand) {
    NSMenuItem* item = [menu addItemWithTitle:title action:action keyEquivalent:key];
    item.keyEquivalentModifierMask = modifiers;
}

NSMenuItem* submenuItem(NSMenu* submenu) {
    NSMenuItem* item = [[NSMenuItem alloc] initWithTitle:submenu.title
                                                  action:nil
                                           keyEquivalent:@""];
    item.submenu = submenu;
    return item;
}

} // namespace

void installMainMenu() {
    // AppKit takes the first item's menu as the application menu, whatever it holds; the
    // app's own commands stay in its status menu.
    NSMenu* applicationMenu = [[NSMenu alloc] initWithTitle:@"Sonifix"];

    NSMenu* edit = [[NSMenu alloc] initWithTitle:@"Edit"];
    addItem(edit, @"Undo", @selector(undo:), @"z");
    addItem(edit, @"Redo", @selector(redo:), @"z",
            NSEventModifierFlagCommand | NSEventModifierFlagShift);
    [edit addItem:[NSMenuItem separatorItem]];
    addItem(edit, @"Cut", @selector(cut:), @"x");
    addItem(edit, @"Copy", @selector(copy:), @"c");
    addItem(edit, @"Paste", @selector(paste:), @"v");
    addItem(edit, @"Select All", @selector(selectAll:), @"a");

    NSMenu* mainMenu = [[NSMenu alloc] initWithTitle:@""];
    [mainMenu addItem:submenuItem(applicationMenu)];
    [mainMenu addItem:submenuItem(edit)];
    NSApp.mainMenu = mainMenu;
}

} // namespace sonifix
