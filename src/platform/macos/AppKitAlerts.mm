#include "AppKitAlerts.h"

#import "FoundationStrings.h"

#import <AppKit/AppKit.h>
#include <dlfcn.h>

namespace sonifix {

using macos::toNSString;
using macos::toStdString;

namespace {

// The e-mail content type came with macOS 14 and its SDK. Looked up in AppKit as the app runs,
// it needs no SDK that declares it, so any Xcode that can build for macOS 13 builds the app;
// on macOS 13 there is none and the field is a plain one.
NSTextContentType _Nullable emailContentType() {
    static void* const program = dlopen(nullptr, RTLD_LAZY);
    const auto* found = program == nullptr
                            ? nullptr
                            : static_cast<__unsafe_unretained NSTextContentType const*>(
                                  dlsym(program, "NSTextContentTypeEmailAddress"));
    return found == nullptr ? nil : *found;
}

NSTextField* makeEmailField(const EmailField& email) {
    NSTextField* field = [[NSTextField alloc] initWithFrame:NSMakeRect(0, 0, 280, 24)];
    field.placeholderString = toNSString(email.placeholder);
    if (NSTextContentType type = emailContentType()) {
        field.contentType = type;
    }
    return field;
}

} // namespace

AlertResult AppKitAlerts::runModal(const AlertRequest& request) {
    NSAlert* alert = [[NSAlert alloc] init];
    if (request.showsAppIcon) {
        alert.icon = NSApp.applicationIconImage;
    }
    alert.messageText = toNSString(request.messageText);
    alert.informativeText = toNSString(request.informativeText);
    NSTextField* field = nil;
    if (request.emailField) {
        field = makeEmailField(*request.emailField);
        alert.accessoryView = field;
    }
    for (const auto& title : request.buttons) {
        [alert addButtonWithTitle:toNSString(title)];
    }
    if (field != nil) {
        alert.window.initialFirstResponder = field;
    }
    if (request.raisesAboveOtherApps) {
        alert.window.level = NSFloatingWindowLevel;
    }
    AlertResult result;
    result.response = int([alert runModal]);
    if (field != nil) {
        result.fieldText = toStdString(field.stringValue);
    }
    return result;
}

} // namespace sonifix
