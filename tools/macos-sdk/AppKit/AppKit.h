#pragma once

// AppKit: what the app uses of it, declared as the macOS 14 SDK declares it; the macOS 13 SDK
// (Xcode 14) lacks what came in 14.0.

#import <Foundation/Foundation.h>

#define APPKIT_EXTERN FOUNDATION_EXPORT

NS_ASSUME_NONNULL_BEGIN

@class NSImage, NSMenu, NSMenuItem, NSView, NSWindow, NSFont, NSColor, NSText;

typedef double CGFloat;
typedef struct CGPoint {
    CGFloat x;
    CGFloat y;
} NSPoint;
typedef struct CGSize {
    CGFloat width;
    CGFloat height;
} NSSize;
typedef struct CGRect {
    NSPoint origin;
    NSSize size;
} NSRect;

static inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
    return NSRect{{x, y}, {w, h}};
}

typedef NSInteger NSModalResponse;
typedef NSInteger NSWindowLevel;
static const NSWindowLevel NSNormalWindowLevel = 0;
static const NSWindowLevel NSFloatingWindowLevel = 3;
static const NSWindowLevel NSModalPanelWindowLevel = 8;

typedef NS_OPTIONS(NSUInteger, NSEventModifierFlags) {
    NSEventModifierFlagShift = 1 << 17,
    NSEventModifierFlagControl = 1 << 18,
    NSEventModifierFlagOption = 1 << 19,
    NSEventModifierFlagCommand = 1 << 20,
};

typedef NSInteger NSControlStateValue;
static const NSControlStateValue NSControlStateValueOff = 0;
static const NSControlStateValue NSControlStateValueOn = 1;

// NSResponder.h, NSView.h, NSControl.h, NSTextField.h, NSButton.h

@interface NSResponder : NSObject
@end

@interface NSView : NSResponder
- (instancetype)initWithFrame:(NSRect)frameRect NS_DESIGNATED_INITIALIZER;
@property(nullable, readonly, assign) NSWindow* window;
@end

@interface NSControl : NSView
@property(copy) NSString* stringValue;
@property(getter=isEnabled) BOOL enabled;
@end

typedef NSString* NSTextContentType NS_TYPED_EXTENSIBLE_ENUM;
#if __MAC_OS_X_VERSION_MAX_ALLOWED >= __MAC_14_0
APPKIT_EXTERN NSTextContentType const NSTextContentTypeEmailAddress API_AVAILABLE(macos(14.0));
#endif

@protocol NSTextContent
@property(nullable, copy) NSTextContentType contentType API_AVAILABLE(macos(11.0));
@end

@interface NSTextField : NSControl <NSTextContent>
@property(nullable, copy) NSString* placeholderString API_AVAILABLE(macos(10.10));
@end

@interface NSButton : NSControl
@property(nullable, strong) NSImage* image;
@end

@interface NSStatusBarButton : NSButton
@end

// NSImage.h, NSFont.h, NSColor.h, NSAttributedString.h

@interface NSImage : NSObject <NSCopying>
+ (nullable instancetype)imageWithSystemSymbolName:(NSString*)name
                          accessibilityDescription:(nullable NSString*)description
    API_AVAILABLE(macos(11.0));
// `template` is a keyword of C++: Objective-C++ sees the property's accessors only.
#if defined(__cplusplus)
- (BOOL)isTemplate;
- (void)setTemplate:(BOOL)isTemplate;
#else
@property(getter=isTemplate) BOOL template;
#endif
@end

@interface NSFont : NSObject <NSCopying>
+ (NSFont*)systemFontOfSize:(CGFloat)fontSize;
@end

@interface NSColor : NSObject <NSCopying>
@property(class, strong, readonly) NSColor* secondaryLabelColor API_AVAILABLE(macos(10.10));
@end

APPKIT_EXTERN NSAttributedStringKey const NSFontAttributeName;
APPKIT_EXTERN NSAttributedStringKey const NSForegroundColorAttributeName;

// NSWindow.h

@interface NSWindow : NSResponder
@property(nullable, weak) NSView* initialFirstResponder;
@property NSWindowLevel level;
- (void)makeKeyAndOrderFront:(nullable id)sender;
- (void)orderFrontRegardless;
@end

// NSMenu.h, NSMenuItem.h

@protocol NSMenuDelegate <NSObject>
@optional
- (void)menuNeedsUpdate:(NSMenu*)menu;
- (void)menuWillOpen:(NSMenu*)menu;
- (void)menuDidClose:(NSMenu*)menu;
@end

@interface NSMenu : NSObject <NSCopying>
- (instancetype)initWithTitle:(NSString*)title NS_DESIGNATED_INITIALIZER;
@property(copy) NSString* title;
@property(nullable, weak) id<NSMenuDelegate> delegate;
@property BOOL autoenablesItems;
@property(readonly) NSInteger numberOfItems;
- (void)addItem:(NSMenuItem*)newItem;
- (NSMenuItem*)addItemWithTitle:(NSString*)string
                         action:(nullable SEL)selector
                  keyEquivalent:(NSString*)charCode;
- (void)removeAllItems API_AVAILABLE(macos(10.6));
- (void)setSubmenu:(nullable NSMenu*)menu forItem:(NSMenuItem*)item;
@end

@interface NSMenuItem : NSObject <NSCopying>
+ (NSMenuItem*)separatorItem;
- (instancetype)initWithTitle:(NSString*)string
                       action:(nullable SEL)selector
                keyEquivalent:(NSString*)charCode NS_DESIGNATED_INITIALIZER;
@property(copy) NSString* title;
@property(nullable, weak) id target;
@property(nullable) SEL action;
@property NSInteger tag;
@property(getter=isEnabled) BOOL enabled;
@property NSControlStateValue state;
@property(nullable, strong) id representedObject;
@property(nullable, copy) NSString* toolTip;
@property(nullable, strong) NSMenu* submenu;
@property(copy) NSString* keyEquivalent;
@property NSEventModifierFlags keyEquivalentModifierMask;
@end

// NSStatusBar.h, NSStatusItem.h

static const CGFloat NSVariableStatusItemLength = -1;
static const CGFloat NSSquareStatusItemLength = -2;

@interface NSStatusItem : NSObject
@property(nullable, readonly, strong) NSStatusBarButton* button API_AVAILABLE(macos(10.10));
@property(nullable, strong) NSMenu* menu;
@end

@interface NSStatusBar : NSObject
@property(class, readonly, strong) NSStatusBar* systemStatusBar;
- (NSStatusItem*)statusItemWithLength:(CGFloat)length;
- (void)removeStatusItem:(NSStatusItem*)item;
@end

// NSAlert.h

@interface NSAlert : NSObject
@property(copy) NSString* messageText;
@property(copy) NSString* informativeText;
@property(null_resettable, strong) NSImage* icon;
@property(nullable, strong) NSView* accessoryView;
@property(readonly, strong) NSWindow* window;
- (NSButton*)addButtonWithTitle:(NSString*)title;
- (void)layout;
- (NSModalResponse)runModal;
@end

// NSApplication.h

typedef NSString* NSAboutPanelOptionKey NS_TYPED_EXTENSIBLE_ENUM;
APPKIT_EXTERN NSAboutPanelOptionKey const NSAboutPanelOptionCredits API_AVAILABLE(macos(10.13));

@class NSApplication;

@protocol NSApplicationDelegate <NSObject>
@optional
- (void)applicationWillFinishLaunching:(NSNotification*)notification;
- (void)applicationDidFinishLaunching:(NSNotification*)notification;
- (BOOL)applicationShouldHandleReopen:(NSApplication*)sender hasVisibleWindows:(BOOL)flag;
- (void)application:(NSApplication*)application
           openURLs:(NSArray<NSURL*>*)urls API_AVAILABLE(macos(10.13));
@end

@interface NSApplication : NSResponder
@property(class, readonly, strong) NSApplication* sharedApplication;
@property(nullable, weak) id<NSApplicationDelegate> delegate;
@property(nullable, strong) NSMenu* mainMenu;
@property(null_resettable, strong) NSImage* applicationIconImage;
@property(readonly, getter=isActive) BOOL active;
- (void)run;
- (void)terminate:(nullable id)sender;
- (void)activateIgnoringOtherApps:(BOOL)ignoreOtherApps
    API_DEPRECATED("This method will be deprecated in a future release. Use NSApp.activate "
                   "instead.",
                   macos(10.0, API_TO_BE_DEPRECATED));
#if __MAC_OS_X_VERSION_MAX_ALLOWED >= __MAC_14_0
- (void)activate API_AVAILABLE(macos(14.0));
#endif
- (void)orderFrontStandardAboutPanelWithOptions:
    (NSDictionary<NSAboutPanelOptionKey, id>*)optionsDictionary API_AVAILABLE(macos(10.13));
@end

APPKIT_EXTERN __kindof NSApplication* _Null_unspecified NSApp;

// NSRunningApplication.h, NSWorkspace.h

@interface NSRunningApplication : NSObject
+ (NSArray<NSRunningApplication*>*)runningApplicationsWithBundleIdentifier:
    (NSString*)bundleIdentifier;
@end

APPKIT_EXTERN NSNotificationName const NSWorkspaceDidWakeNotification;

@interface NSWorkspace : NSObject
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
@property(readonly, strong) NSNotificationCenter* notificationCenter;
- (BOOL)openURL:(NSURL*)url;
@end

NS_ASSUME_NONNULL_END
