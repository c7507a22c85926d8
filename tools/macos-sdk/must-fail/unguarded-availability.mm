// An AppKit call from after the minimum macOS, outside @available.
// Expect: 'activate' is only available on macOS 14.0 or newer
// Only: sdk14
#import <AppKit/AppKit.h>

void bringForward() {
    [NSApp activate];
}
