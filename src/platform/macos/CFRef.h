#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <utility>

namespace sonifix::macos {

// Owns one Core Foundation reference that was handed over under the Create or Copy rule and
// releases it when it goes out of scope.
template <class Ref> class CFRef {
public:
    CFRef() = default;
    explicit CFRef(Ref ref) : ref(ref) {}
    CFRef(const CFRef&) = delete;
    CFRef& operator=(const CFRef&) = delete;
    CFRef(CFRef&& other) noexcept : ref(std::exchange(other.ref, nullptr)) {}
    CFRef& operator=(CFRef&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.ref, nullptr));
        }
        return *this;
    }
    ~CFRef() { reset(); }

    Ref get() const { return ref; }
    explicit operator bool() const { return ref != nullptr; }

    void reset(Ref replacement = nullptr) {
        if (ref != nullptr) {
            CFRelease(ref);
        }
        ref = replacement;
    }

private:
    Ref ref = nullptr;
};

} // namespace sonifix::macos
