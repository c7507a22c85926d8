#include "CoreAudioHardware.h"

#include "CFRef.h"
#include "support/CallbackBoundary.h"

#include <CoreAudio/CoreAudio.h>
#include <algorithm>
#include <atomic>
#include <dispatch/dispatch.h>
#include <functional>
#include <mutex>
#include <vector>

namespace sonifix {

namespace {

AudioObjectPropertyAddress toHAL(const PropertyAddress& address) {
    return {address.selector, address.scope, address.element};
}

std::string toUTF8(CFStringRef text) {
    const CFIndex length = CFStringGetLength(text);
    const CFIndex capacity = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
    std::string buffer(std::size_t(capacity), '\0');
    if (!CFStringGetCString(text, buffer.data(), capacity, kCFStringEncodingUTF8)) {
        return {};
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

} // namespace

// The HAL removes a listener only when handed the very block object it was given, so each
// registration keeps its block.
struct CoreAudioHardware::Listeners {
    struct Registration {
        AudioObjectID object;
        PropertyAddress address;
        PropertyListener listener;
        AudioObjectPropertyListenerBlock block;
    };
    std::vector<Registration> registrations;
};

// Calls made on the adapter's queue, each with buffers of its own: a call that runs out is
// left to finish by itself, and must not write into its caller's memory when it does.
struct CoreAudioHardware::Calls {
    dispatch_queue_t queue =
        dispatch_queue_create("app.northfold.sonifix.hal", DISPATCH_QUEUE_SERIAL);
    std::chrono::milliseconds timeout;
    // Calls that ran out and are still inside the HAL.
    std::shared_ptr<std::atomic<int>> stuck = std::make_shared<std::atomic<int>>(0);

    struct Progress {
        std::mutex mutex;
        bool finished = false;
        bool abandoned = false;
    };

    // What a call that ran out should still do once the HAL answers it. A listener whose adding
    // the caller took for a failure is removed again, or it would fire with nobody to remove it;
    // a removal is still made, whether it ran out or waited behind one that had.
    enum class Late { ignored, undo, queued };

    OSStatus run(std::function<OSStatus()> call, Late late = Late::ignored,
                 std::function<void()> undo = {}) {
        if (stuck->load() > 0) {
            if (late == Late::queued) {
                dispatch_async(queue, ^{
                  callbackBoundary("a Core Audio call", [&] { call(); });
                });
            }
            return kAudioHardwareNotRunningError;
        }
        auto progress = std::make_shared<Progress>();
        auto status = std::make_shared<OSStatus>(kAudioHardwareNotRunningError);
        dispatch_semaphore_t done = dispatch_semaphore_create(0);
        const auto stuckCalls = stuck;
        dispatch_async(queue, ^{
          OSStatus answer = kAudioHardwareNotRunningError;
          callbackBoundary("a Core Audio call", [&] { answer = call(); });
          const std::lock_guard lock(progress->mutex);
          *status = answer;
          progress->finished = true;
          if (progress->abandoned) {
              --*stuckCalls;
              if (answer == noErr && late == Late::undo) {
                  callbackBoundary("a Core Audio call", [&] { undo(); });
              }
          }
          dispatch_semaphore_signal(done);
        });
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout);
        if (dispatch_semaphore_wait(done, dispatch_time(DISPATCH_TIME_NOW, wait.count())) != 0) {
            const std::lock_guard lock(progress->mutex);
            if (!progress->finished) {
                progress->abandoned = true;
                ++*stuck;
                return kAudioHardwareNotRunningError;
            }
        }
        const std::lock_guard lock(progress->mutex);
        return *status;
    }
};

CoreAudioHardware::CoreAudioHardware(std::chrono::milliseconds callTimeout)
    : listeners(std::make_unique<Listeners>()), calls(std::make_unique<Calls>()) {
    calls->timeout = callTimeout;
}

CoreAudioHardware::~CoreAudioHardware() = default;

HardwareStatus CoreAudioHardware::propertyDataSize(AudioObjectID object,
                                                   const PropertyAddress& address,
                                                   std::uint32_t& size) {
    const auto halAddress = toHAL(address);
    const auto dataSize = std::make_shared<UInt32>(0);
    const OSStatus status = calls->run([=] {
        return AudioObjectGetPropertyDataSize(object, &halAddress, 0, nullptr, dataSize.get());
    });
    if (status == noErr) {
        size = *dataSize;
    }
    return status;
}

HardwareStatus CoreAudioHardware::propertyData(AudioObjectID object, const PropertyAddress& address,
                                               std::uint32_t& size, void* data) {
    const auto halAddress = toHAL(address);
    struct Read {
        UInt32 size;
        std::vector<unsigned char> bytes;
    };
    const auto read = std::make_shared<Read>(Read{size, std::vector<unsigned char>(size)});
    const OSStatus status = calls->run([=] {
        return AudioObjectGetPropertyData(object, &halAddress, 0, nullptr, &read->size,
                                          read->bytes.data());
    });
    if (status == noErr) {
        size = std::min<std::uint32_t>(read->size, std::uint32_t(read->bytes.size()));
        std::copy_n(read->bytes.data(), size, static_cast<unsigned char*>(data));
    }
    return status;
}

HardwareStatus CoreAudioHardware::stringProperty(AudioObjectID object,
                                                 const PropertyAddress& address,
                                                 std::optional<std::string>& value) {
    const auto halAddress = toHAL(address);
    // The HAL hands the string over under the Copy rule; it is released with the read.
    const auto owned = std::make_shared<macos::CFRef<CFStringRef>>();
    const OSStatus status = calls->run([=] {
        CFStringRef text = nullptr;
        UInt32 dataSize = sizeof text;
        const OSStatus answer =
            AudioObjectGetPropertyData(object, &halAddress, 0, nullptr, &dataSize, &text);
        owned->reset(text);
        return answer;
    });
    if (status != noErr) {
        return status;
    }
    value = *owned ? std::optional<std::string>(toUTF8(owned->get())) : std::nullopt;
    return noErr;
}

HardwareStatus CoreAudioHardware::setPropertyData(AudioObjectID object,
                                                  const PropertyAddress& address,
                                                  std::uint32_t size, const void* data) {
    const auto halAddress = toHAL(address);
    const auto* first = static_cast<const unsigned char*>(data);
    const auto bytes = std::make_shared<const std::vector<unsigned char>>(first, first + size);
    return calls->run([=] {
        return AudioObjectSetPropertyData(object, &halAddress, 0, nullptr, UInt32(bytes->size()),
                                          bytes->data());
    });
}

HardwareStatus CoreAudioHardware::addPropertyListener(AudioObjectID object,
                                                      const PropertyAddress& address,
                                                      const PropertyListener& listener) {
    const auto halAddress = toHAL(address);
    const PropertyListener called = listener;
    AudioObjectPropertyListenerBlock block = ^(UInt32, const AudioObjectPropertyAddress*) {
      callbackBoundary("a Core Audio listener", [&] { (*called)(); });
    };
    // Adding a listener is a call into coreaudiod like any other, made at launch and after
    // every restart: bounded as reads are, or a wedged daemon hangs the app before its menu.
    const OSStatus status = calls->run(
        [=] {
            return AudioObjectAddPropertyListenerBlock(object, &halAddress,
                                                       dispatch_get_main_queue(), block);
        },
        Calls::Late::undo,
        [=] {
            AudioObjectRemovePropertyListenerBlock(object, &halAddress, dispatch_get_main_queue(),
                                                   block);
        });
    if (status == noErr) {
        listeners->registrations.push_back({object, address, listener, block});
    }
    return status;
}

HardwareStatus CoreAudioHardware::removePropertyListener(AudioObjectID object,
                                                         const PropertyAddress& address,
                                                         const PropertyListener& listener) {
    auto& registrations = listeners->registrations;
    for (auto registration = registrations.begin(); registration != registrations.end();
         ++registration) {
        if (registration->object != object || registration->address != address ||
            registration->listener != listener) {
            continue;
        }
        const auto halAddress = toHAL(address);
        AudioObjectPropertyListenerBlock block = registration->block;
        const OSStatus status = calls->run(
            [=] {
                return AudioObjectRemovePropertyListenerBlock(object, &halAddress,
                                                              dispatch_get_main_queue(), block);
            },
            Calls::Late::queued);
        registrations.erase(registration);
        return status;
    }
    return kAudioHardwareBadObjectError;
}

} // namespace sonifix
