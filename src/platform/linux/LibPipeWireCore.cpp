#include "LibPipeWireCore.h"

#include <mutex>
#include <pipewire/impl-module.h>
#include <pipewire/pipewire.h>

// libpipewire's calls are macros built on a GNU extension.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wgnu-statement-expression"
#endif

namespace sonifix {

namespace {

struct RoundTrip {
    int sequence = -1;
    bool done = false;
    bool failed = false;
};

void onDone(void* data, uint32_t id, int sequence) {
    auto* trip = static_cast<RoundTrip*>(data);
    if (id == PW_ID_CORE && sequence == trip->sequence) {
        trip->done = true;
    }
}

void onError(void* data, uint32_t id, int, int, const char*) {
    if (id == PW_ID_CORE) {
        static_cast<RoundTrip*>(data)->failed = true;
    }
}

} // namespace

bool LibPipeWireCore::answers(const std::string& socketPath, std::chrono::milliseconds deadline) {
    static std::once_flag initialised;
    std::call_once(initialised, [] {
        pw_init(nullptr, nullptr);
        // A bare context warns of what it was not given; the app's log is no place for that.
        pw_log_set_level(SPA_LOG_LEVEL_ERROR);
    });
    const auto until = std::chrono::steady_clock::now() + deadline;
    pw_loop* loop = pw_loop_new(nullptr);
    if (!loop) {
        return false;
    }
    // No configuration file: only the protocol is needed, loaded by hand.
    pw_context* context =
        pw_context_new(loop, pw_properties_new(PW_KEY_CONFIG_NAME, "null", nullptr), 0);
    bool answered = false;
    if (context &&
        pw_context_load_module(context, "libpipewire-module-protocol-native", nullptr, nullptr)) {
        pw_core* core = pw_context_connect(
            context, pw_properties_new(PW_KEY_REMOTE_NAME, socketPath.c_str(), nullptr), 0);
        if (core) {
            RoundTrip trip;
            spa_hook listener{};
            pw_core_events events{};
            events.version = PW_VERSION_CORE_EVENTS;
            events.done = onDone;
            events.error = onError;
            pw_core_add_listener(core, &listener, &events, &trip);
            trip.sequence = pw_core_sync(core, PW_ID_CORE, 0);
            pw_loop_enter(loop);
            while (!trip.done && !trip.failed) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    until - std::chrono::steady_clock::now());
                if (left.count() <= 0) {
                    break;
                }
                pw_loop_iterate(loop, int(left.count()));
            }
            pw_loop_leave(loop);
            answered = trip.done;
            spa_hook_remove(&listener);
            pw_core_disconnect(core);
        }
    }
    if (context) {
        pw_context_destroy(context);
    }
    pw_loop_destroy(loop);
    return answered;
}

} // namespace sonifix
