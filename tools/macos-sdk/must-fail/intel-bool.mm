// On Intel, BOOL is signed char, not bool: a BOOL's address is no bool*.
// Expect: (aka 'signed char *')
// Only: x86_64
#import <Foundation/Foundation.h>

void readFlag(bool* flag);

void check() {
    BOOL succeeded = NO;
    readFlag(&succeeded);
}
