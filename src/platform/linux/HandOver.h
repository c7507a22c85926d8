#pragma once

// ThreadSanitizer sees a hand-over between threads only through the locks and atomics of code
// built with it. Qt's event queue and libpulse's loop lock are not: what one thread wrote before
// handing a block or the lock over looks, to it, like a race with what the other thread reads
// afterwards. These calls tell it about such a hand-over, at the one place each is made, so that
// no suppression has to hide the frames in which our own races would show. Without
// ThreadSanitizer they are nothing.
#if defined(__SANITIZE_THREAD__)
#define SONIFIX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SONIFIX_THREAD_SANITIZER 1
#endif
#endif

#ifdef SONIFIX_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace sonifix {

class HandOver {
public:
    // Everything this thread did so far is seen as done before what follows an acquire of the
    // same address in another thread.
    static void release([[maybe_unused]] void* address) {
#ifdef SONIFIX_THREAD_SANITIZER
        __tsan_release(address);
#endif
    }
    static void acquire([[maybe_unused]] void* address) {
#ifdef SONIFIX_THREAD_SANITIZER
        __tsan_acquire(address);
#endif
    }
};

} // namespace sonifix
