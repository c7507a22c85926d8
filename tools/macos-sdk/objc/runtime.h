#pragma once

// <objc/runtime.h>: what the app uses of the runtime's own functions.

#import <objc/NSObject.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma clang assume_nonnull begin
SEL sel_registerName(const char* str);
#pragma clang assume_nonnull end

#ifdef __cplusplus
}
#endif
