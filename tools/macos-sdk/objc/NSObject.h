#pragma once

// objc/objc.h and objc/NSObject.h: the root class and its protocol, for the Apple (non-fragile)
// Objective-C runtime that clang targets on a Mac.

#include <stdbool.h>
#include <stddef.h>

// Apple's rule, which clang states for each target: bool on arm64, signed char on Intel, where
// a BOOL holds any value from -128 to 127 and 256 is NO.
#if __OBJC_BOOL_IS_BOOL
typedef bool BOOL;
#else
typedef signed char BOOL;
#endif
#define YES __objc_yes
#define NO __objc_no
#define nil nullptr
#define Nil nullptr

typedef unsigned long NSUInteger;
typedef long NSInteger;

@class NSString;
@class NSMethodSignature;
@class NSInvocation;

#pragma clang assume_nonnull begin

@protocol NSObject
- (BOOL)isEqual:(id)object;
@property(readonly) NSUInteger hash;
@property(readonly) Class superclass;
- (Class)class;
- (instancetype)self;
- (BOOL)isKindOfClass:(Class)aClass;
- (BOOL)isMemberOfClass:(Class)aClass;
- (BOOL)respondsToSelector:(SEL)aSelector;
- (BOOL)conformsToProtocol:(Protocol*)aProtocol;
@property(readonly, copy) NSString* description;
@end

__attribute__((objc_root_class))
@interface NSObject<NSObject> {
    Class isa;
}
+ (instancetype)alloc;
+ (instancetype)new;
+ (Class)class;
- (instancetype)init;
@end

#pragma clang assume_nonnull end
