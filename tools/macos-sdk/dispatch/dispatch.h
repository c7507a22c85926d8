#pragma once

// libdispatch as the SDK declares it for Objective-C under ARC (OS_OBJECT_USE_OBJC): queues
// and semaphores are Objective-C objects that ARC retains and releases, so keeping one in a
// plain C pointer, or releasing one by hand, is an error. In plain C++ they are opaque
// pointers, as in the SDK.

#include <os/availability.h>
#include <stddef.h>
#include <stdint.h>

#if defined(__OBJC__)
#import <objc/NSObject.h>
#define OS_OBJECT_DECL_CLASS(name)                                                                 \
    @protocol OS_                                                                                  \
    ##name<NSObject> @end                                                                          \
    typedef NSObject<OS_##name>* __attribute__((objc_independent_class)) name##_t
#define OS_OBJECT_DECL_SUBCLASS(name, super)                                                       \
    @protocol OS_                                                                                  \
    ##name<OS_##super> @end                                                                        \
    typedef NSObject<OS_##name>* __attribute__((objc_independent_class)) name##_t
#else
#define OS_OBJECT_DECL_CLASS(name) typedef struct name##_s* name##_t
#define OS_OBJECT_DECL_SUBCLASS(name, super) typedef struct name##_s* name##_t
#endif

// A result that is the call's whole point: dropping it is a warning, an error under -Werror.
#define DISPATCH_WARN_RESULT __attribute__((__warn_unused_result__))

#pragma clang assume_nonnull begin

#ifdef __cplusplus
extern "C" {
#endif

OS_OBJECT_DECL_CLASS(dispatch_object);
OS_OBJECT_DECL_SUBCLASS(dispatch_queue, dispatch_object);
OS_OBJECT_DECL_SUBCLASS(dispatch_queue_serial, dispatch_queue);
OS_OBJECT_DECL_SUBCLASS(dispatch_queue_main, dispatch_queue_serial);
OS_OBJECT_DECL_SUBCLASS(dispatch_queue_global, dispatch_queue);
OS_OBJECT_DECL_SUBCLASS(dispatch_queue_attr, dispatch_object);
OS_OBJECT_DECL_SUBCLASS(dispatch_semaphore, dispatch_object);

typedef void (^dispatch_block_t)(void);
typedef uint64_t dispatch_time_t;
typedef long dispatch_queue_priority_t;

#define DISPATCH_TIME_NOW (0ull)
#define DISPATCH_TIME_FOREVER (~0ull)
#define DISPATCH_QUEUE_SERIAL NULL
#define DISPATCH_QUEUE_PRIORITY_DEFAULT 0
#define NSEC_PER_SEC 1000000000ull
#define NSEC_PER_MSEC 1000000ull

dispatch_queue_main_t dispatch_get_main_queue(void);
DISPATCH_WARN_RESULT dispatch_queue_global_t dispatch_get_global_queue(intptr_t identifier,
                                                                       uintptr_t flags);
DISPATCH_WARN_RESULT dispatch_queue_t dispatch_queue_create(const char* _Nullable label,
                                                            dispatch_queue_attr_t _Nullable attr);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block);
DISPATCH_WARN_RESULT dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

DISPATCH_WARN_RESULT dispatch_semaphore_t dispatch_semaphore_create(intptr_t value);
intptr_t dispatch_semaphore_wait(dispatch_semaphore_t dsema, dispatch_time_t timeout);
intptr_t dispatch_semaphore_signal(dispatch_semaphore_t dsema);

#if defined(__OBJC__) && __has_feature(objc_arc)
void dispatch_retain(dispatch_object_t object)
    __attribute__((unavailable("not available in automatic reference counting mode")));
void dispatch_release(dispatch_object_t object)
    __attribute__((unavailable("not available in automatic reference counting mode")));
#else
void dispatch_retain(dispatch_object_t object);
void dispatch_release(dispatch_object_t object);
#endif

#ifdef __cplusplus
}
#endif

#pragma clang assume_nonnull end
