// NSApplication holds its delegate weakly: a delegate made and handed over in one go is gone
// at once.
// Expect: object will be released after assignment
#import <AppKit/AppKit.h>

@interface Delegate : NSObject <NSApplicationDelegate>
@end
@implementation Delegate
@end

void install() {
    NSApp.delegate = [[Delegate alloc] init];
}
