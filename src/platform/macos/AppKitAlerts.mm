#include "AppKitAlerts.h"

#import "FoundationStrings.h"

#import <AppKit/AppKit.h>

namespace sonifix {

using macos::toNSString;
using macos::toStdString;

namespace {

NSTextField* makeEmailField(const EmailField& email) {
    NSTextField* field = [[NSTextField alloc] initWithFrame:NSMakeRect(0, 0, 280, 24)];
    field.placeholderString = toNSString(email.placeholder);
    // The e-mail content type exists from macOS 14 on; on 13 the field is a plain one.
    if (@available(macOS 14.0, *)) {
        field.contentType = NSTextContentTypeEmailAddress;
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
