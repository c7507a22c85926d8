// A CF reference cast to an Objective-C object without __bridge: ARC must refuse it.
// Expect: requires a bridged cast
#import <Foundation/Foundation.h>

NSString* toNSString(CFStringRef text) {
    return (NSString*)text;
}
