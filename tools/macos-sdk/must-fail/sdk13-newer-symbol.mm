// The macOS 13 SDK (Xcode 14) does not declare what came in 14.0: @available cannot reach it.
// Expect: use of undeclared identifier 'NSTextContentTypeEmailAddress'
// Only: sdk13
#import <AppKit/AppKit.h>

void useEmailType(NSTextField* field) {
    if (@available(macOS 14.0, *)) {
        field.contentType = NSTextContentTypeEmailAddress;
    }
}
