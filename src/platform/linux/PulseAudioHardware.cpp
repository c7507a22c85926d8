#include "PulseAudioHardware.h"

#include "HandOver.h"
#include "platform/AudioProperties.h"
#include "platform/FourCharCode.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <pulse/pulseaudio.h>
#include <string_view>
#include <type_traits>

namespace sonifix {

namespace props = audio_properties;

namespace {

// The HAL's error statuses, as its headers name them.
constexpr HardwareStatus halStatus(const char (&code)[5]) {
    return HardwareStatus(fourCharCode(code));
}
constexpr HardwareStatus unknownProperty = halStatus("who?");
constexpr HardwareStatus badObject = halStatus("!obj");
constexpr HardwareStatus badPropertySize = halStatus("!siz");
constexpr HardwareStatus illegalOperation = halStatus("nope");
// The server gave no answer: it is gone, not back yet, frozen, or refused the request.
constexpr HardwareStatus noAnswer = halStatus("stop");

constexpr std::uint32_t scopeOutput = fourCharCode("outp");
constexpr AudioObjectID firstID = 2;
constexpr std::chrono::milliseconds firstRetry{100};
constexpr std::chrono::milliseconds longestRetry{1000};

// What PipeWire's bridge reports for a short while after a restart, before its session manager
// has chosen the defaults: there is no default device yet.
constexpr std::string_view defaultSinkPlaceholder = "@DEFAULT_SINK@";
constexpr std::string_view defaultSourcePlaceholder = "@DEFAULT_SOURCE@";

// The properties that tell how a device is attached.
constexpr const char* transportKeys[] = {"device.bus",   "device.api",   "device.form_factor",
                                         "device.class", "node.virtual", "factory.name"};

struct DeviceInfo {
    std::string name;
    std::optional<std::string> description;
    double sampleRate = 0;
    bool monitor = false;
    std::map<std::string, std::string> properties;
    // Whether the active port has something plugged in, where the server knows: a line-in or a
    // headset jack with nothing in it is no input anyone can use.
    std::optional<std::uint32_t> jackIsConnected;
    std::uint32_t index = PA_INVALID_INDEX; // the server's number for it, until it restarts
};

struct ServerDefaults {
    std::string name;
    std::string version;
    std::string sink;
    std::string source;
};

template <class Info> DeviceInfo describe(const Info& info) {
    DeviceInfo device{
        .name = info.name ? info.name : "",
        .description =
            info.description ? std::optional<std::string>(info.description) : std::nullopt,
        .sampleRate = double(info.sample_spec.rate),
    };
    for (const auto* key : transportKeys) {
        if (const auto* value = pa_proplist_gets(info.proplist, key)) {
            device.properties.emplace(key, value);
        }
    }
    if (info.active_port && info.active_port->available != PA_PORT_AVAILABLE_UNKNOWN) {
        device.jackIsConnected = info.active_port->available == PA_PORT_AVAILABLE_YES ? 1 : 0;
    }
    return device;
}

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop(loop) { lock(); }
    ~LoopLock() {
        if (held) {
            unlock();
        }
    }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

    // libpulse's lock hands the loop's state from one of our threads to the next.
    void lock() {
        pa_threaded_mainloop_lock(loop);
        HandOver::acquire(loop);
        held = true;
    }
    void unlock() {
        held = false;
        HandOver::release(loop);
        pa_threaded_mainloop_unlock(loop);
    }

private:
    pa_threaded_mainloop* loop;
    bool held = false;
};

struct MainloopRelease {
    void operator()(pa_threaded_mainloop* loop) const {
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }
};

// Released under the loop lock.
struct ContextRelease {
    void operator()(pa_context* context) const {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};

// Released under the loop lock.
struct OperationRelease {
    void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using Operation = std::unique_ptr<pa_operation, OperationRelease>;

// One question to the server. libpulse's thread fills it in; the asking thread waits for it.
struct RequestBase {
    std::mutex* mutex;
    std::condition_variable* changed;
    bool answered = false;
    bool refused = false;
    bool finished = false;
};

template <class Answer> struct Request : RequestBase { Answer answer{}; };

// A list request's last call, which says whether the list came whole; false while entries come.
bool listEnded(RequestBase& request, int eol) {
    if (eol < 0) {
        request.refused = true;
    } else if (eol > 0) {
        request.answered = !request.refused;
    }
    return eol != 0;
}

void onOperationState(pa_operation* operation, void* userdata) {
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        return;
    }
    auto& request = *static_cast<RequestBase*>(userdata);
    const std::lock_guard lock(*request.mutex);
    request.finished = true;
    request.changed->notify_all();
}

template <class Info> void onDeviceInfo(pa_context*, const Info* info, int eol, void* userdata) {
    auto& request = *static_cast<Request<std::vector<DeviceInfo>>*>(userdata);
    const std::lock_guard lock(*request.mutex);
    if (listEnded(request, eol)) {
        return;
    }
    if (info) {
        request.answer.push_back(describe(*info));
        request.answer.back().index = info->index;
    }
}

// The devices that streams not corked play to or record from. (A device's own state would say
// it too, but PipeWire's bridge does not keep it reliably.)
template <class Info> void onStream(pa_context*, const Info* info, int eol, void* userdata) {
    auto& request = *static_cast<Request<std::vector<std::uint32_t>>*>(userdata);
    const std::lock_guard lock(*request.mutex);
    if (listEnded(request, eol)) {
        return;
    }
    if (info && !info->corked) {
        if constexpr (std::is_same_v<Info, pa_sink_input_info>) {
            request.answer.push_back(info->sink);
        } else {
            request.answer.push_back(info->source);
        }
    }
}

void onSourceInfo(pa_context* context, const pa_source_info* info, int eol, void* userdata) {
    onDeviceInfo(context, info, eol, userdata);
    if (info && eol == 0) {
        auto& request = *static_cast<Request<std::vector<DeviceInfo>>*>(userdata);
        const std::lock_guard lock(*request.mutex);
        request.answer.back().monitor = info->monitor_of_sink != PA_INVALID_INDEX;
    }
}

void onServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
    auto& request = *static_cast<Request<ServerDefaults>*>(userdata);
    const std::lock_guard lock(*request.mutex);
    if (info) {
        request.answer.name = info->server_name ? info->server_name : "";
        request.answer.version = info->server_version ? info->server_version : "";
        request.answer.sink = info->default_sink_name ? info->default_sink_name : "";
        request.answer.source = info->default_source_name ? info->default_source_name : "";
        request.answered = true;
    }
}

const char* property(pa_proplist* properties, const char* key) {
    const char* value = pa_proplist_gets(properties, key);
    return value ? value : "";
}

// The process the stream's client says it runs in; 0 when it does not say.
std::int32_t processIdOf(pa_proplist* properties) {
    const char* pid = property(properties, PA_PROP_APPLICATION_PROCESS_ID);
    std::int32_t value = 0;
    std::from_chars(pid, pid + std::strlen(pid), value);
    return value;
}

void onSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* userdata) {
    auto& request = *static_cast<Request<std::vector<std::int32_t>>*>(userdata);
    const std::lock_guard lock(*request.mutex);
    if (listEnded(request, eol)) {
        return;
    }
    if (info) {
        if (const auto pid = processIdOf(info->proplist); pid > 0) {
            request.answer.push_back(pid);
        }
    }
}

// A source output as the core sees it; whether its source is a monitor is filled in afterwards.
struct SourceOutput {
    CaptureStream stream;
    std::uint32_t source = PA_INVALID_INDEX;
};

void onSourceOutput(pa_context*, const pa_source_output_info* info, int eol, void* userdata) {
    auto& request = *static_cast<Request<std::vector<SourceOutput>>*>(userdata);
    const std::lock_guard lock(*request.mutex);
    if (listEnded(request, eol)) {
        return;
    }
    if (info) {
        request.answer.push_back(
            {.stream = {.app = property(info->proplist, PA_PROP_APPLICATION_NAME),
                        .appId = property(info->proplist, PA_PROP_APPLICATION_ID),
                        .binary = property(info->proplist, PA_PROP_APPLICATION_PROCESS_BINARY),
                        .pid = processIdOf(info->proplist),
                        .role = property(info->proplist, PA_PROP_MEDIA_ROLE),
                        .corked = info->corked != 0},
             .source = info->source});
    }
}

void onSuccess(pa_context*, int success, void* userdata) {
    auto& request = *static_cast<Request<bool>*>(userdata);
    const std::lock_guard lock(*request.mutex);
    request.answer = success != 0;
    request.answered = true;
}

} // namespace

// The one connection to the server, on libpulse's threaded main loop. Everything marked "loop
// lock" is touched only with the loop's lock held (libpulse's thread holds it while it runs our
// callbacks); the waiting threads wait on `changed` instead, so that the loop runs meanwhile.
class PulseAudioHardware::Connection {
public:
    using DefaultsHandler = std::function<void(const std::string& name, const std::string& sink,
                                               const std::string& source)>;

    Connection(std::string server, std::chrono::milliseconds timeout,
               std::chrono::milliseconds mainThreadTimeout, std::function<bool()> onMainThread,
               DefaultsHandler onDefaults, std::function<void()> onDevices)
        : server(std::move(server)), timeout(timeout), mainThreadTimeout(mainThreadTimeout),
          onMainThread(std::move(onMainThread)), onDefaults(std::move(onDefaults)),
          onDevices(std::move(onDevices)) {
        loop.reset(pa_threaded_mainloop_new());
        if (!loop) {
            return;
        }
        pa_threaded_mainloop_set_name(loop.get(), "sonifix-pulse");
        if (pa_threaded_mainloop_start(loop.get()) < 0) {
            pa_threaded_mainloop_free(loop.release());
            return;
        }
        const LoopLock lock(loop.get());
        connectNow();
    }

    ~Connection() {
        if (!loop) {
            return;
        }
        {
            const LoopLock lock(loop.get());
            context.reset();
            if (retryTimer) {
                api()->time_free(retryTimer);
                retryTimer = nullptr;
            }
        }
        loop.reset();
    }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends one request, made by `start`, and waits for its answer until the time-out; nothing
    // when the server gave none in time or refused.
    // The main thread waits briefly, and not at all while the server is known not to answer:
    // then it only sends a question whose answer, when it comes, says the server is back.
    template <class Answer, class Start> std::optional<Answer> ask(Start start) {
        if (!onMainThread()) {
            return ask<Answer>(start, timeout);
        }
        if (stalled) {
            nudge();
            return std::nullopt;
        }
        return ask<Answer>(start, mainThreadTimeout);
    }

    template <class Answer, class Start>
    std::optional<Answer> ask(Start start, std::chrono::milliseconds limit) {
        if (!loop) {
            return std::nullopt;
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        // On the heap rather than the asking thread's stack: a fresh block, which only libpulse's
        // thread and this one ever touch.
        const auto owned = std::make_unique<Request<Answer>>();
        auto& request = *owned;
        request.mutex = &waitMutex;
        request.changed = &changed;
        LoopLock lock(loop.get());
        if (!awaitReady(lock, deadline)) {
            return std::nullopt;
        }
        Operation operation(start(context.get(), &request));
        if (!operation) {
            return std::nullopt;
        }
        pa_operation_set_state_callback(operation.get(), onOperationState, &request);
        lock.unlock();
        {
            std::unique_lock wait(waitMutex);
            changed.wait_until(wait, deadline, [&] { return request.finished; });
        }
        lock.lock();
        stalled = !request.finished && isReady();
        // No callback runs while the loop lock is held, and a cancelled operation calls none
        // later: from here on the request is this thread's alone.
        pa_operation_set_state_callback(operation.get(), nullptr, nullptr);
        if (pa_operation_get_state(operation.get()) == PA_OPERATION_RUNNING) {
            pa_operation_cancel(operation.get());
        }
        operation.reset();
        const std::lock_guard wait(waitMutex);
        if (!request.answered) {
            return std::nullopt;
        }
        return std::move(request.answer);
    }

private:
    pa_mainloop_api* api() { return pa_threaded_mainloop_get_api(loop.get()); }

    void nudge() {
        if (!loop) {
            return;
        }
        const LoopLock lock(loop.get());
        if (isReady()) {
            Operation(pa_context_get_server_info(context.get(), onEventServerInfo, this));
        }
    }

    bool isReady() { return context && pa_context_get_state(context.get()) == PA_CONTEXT_READY; }

    // Loop lock held. Waits, with the lock let go, until the connection is ready, or the attempt
    // that was under way (or that this starts) has failed, or the deadline.
    bool awaitReady(LoopLock& lock, std::chrono::steady_clock::time_point deadline) {
        if (isReady()) {
            return true;
        }
        if (!connecting) {
            connectNow();
        }
        const auto attempt = attempts;
        lock.unlock();
        {
            std::unique_lock wait(waitMutex);
            changed.wait_until(wait, deadline, [&] { return ready || attemptsEnded >= attempt; });
        }
        lock.lock();
        return isReady();
    }

    // Loop lock held.
    void connectNow() {
        if (retryTimer) {
            api()->time_restart(retryTimer, nullptr);
        }
        context.reset();
        ++attempts;
        connecting = true;
        auto* proplist = pa_proplist_new();
        pa_proplist_sets(proplist, PA_PROP_APPLICATION_NAME, "Sonifix");
        pa_proplist_sets(proplist, PA_PROP_APPLICATION_ID, "sonifix");
        context.reset(pa_context_new_with_proplist(api(), "Sonifix", proplist));
        pa_proplist_free(proplist);
        if (!context) {
            attemptEnded();
            return;
        }
        pa_context_set_state_callback(context.get(), onContextState, this);
        pa_context_set_subscribe_callback(context.get(), onSubscription, this);
        // Never start a server of our own: a restart waits for the user's to come back.
        if (pa_context_connect(context.get(), server.empty() ? nullptr : server.c_str(),
                               PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
            connecting) {
            attemptEnded();
        }
    }

    // Loop lock held: the connection failed or was lost.
    void attemptEnded() {
        connecting = false;
        {
            const std::lock_guard wait(waitMutex);
            ready = false;
            attemptsEnded = attempts;
        }
        changed.notify_all();
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, pa_usec_t(std::chrono::microseconds(retryDelay).count()));
        if (retryTimer) {
            api()->time_restart(retryTimer, &when);
        } else {
            retryTimer = api()->time_new(api(), &when, onRetry, this);
        }
        retryDelay = std::min(retryDelay * 2, longestRetry);
    }

    // Loop lock held.
    void becameReady() {
        connecting = false;
        stalled = false;
        retryDelay = firstRetry;
        Operation(pa_context_subscribe(
            context.get(),
            pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK |
                                   PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK_INPUT |
                                   PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT),
            nullptr, nullptr));
        // What the devices do may have changed while there was no connection.
        onDevices();
        // The defaults may have changed while there was no connection.
        Operation(pa_context_get_server_info(context.get(), onEventServerInfo, this));
        {
            const std::lock_guard wait(waitMutex);
            ready = true;
        }
        changed.notify_all();
    }

    static void onContextState(pa_context* changedContext, void* userdata) {
        auto& self = *static_cast<Connection*>(userdata);
        if (changedContext != self.context.get()) {
            return;
        }
        switch (pa_context_get_state(changedContext)) {
        case PA_CONTEXT_READY:
            self.becameReady();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            self.attemptEnded();
            break;
        default:
            break;
        }
    }

    static void onRetry(pa_mainloop_api*, pa_time_event*, const timeval*, void* userdata) {
        static_cast<Connection*>(userdata)->connectNow();
    }

    static void onSubscription(pa_context* context, pa_subscription_event_type_t type,
                               std::uint32_t, void* userdata) {
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            Operation(pa_context_get_server_info(context, onEventServerInfo, userdata));
        } else if (facility == PA_SUBSCRIPTION_EVENT_SINK ||
                   facility == PA_SUBSCRIPTION_EVENT_SOURCE ||
                   facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT ||
                   facility == PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT) {
            static_cast<Connection*>(userdata)->onDevices();
        }
    }

    static void onEventServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
        if (info) {
            static_cast<Connection*>(userdata)->stalled = false;
            static_cast<Connection*>(userdata)->onDefaults(
                info->server_name ? info->server_name : "",
                info->default_sink_name ? info->default_sink_name : "",
                info->default_source_name ? info->default_source_name : "");
        }
    }

    const std::string server;
    const std::chrono::milliseconds timeout;
    const std::chrono::milliseconds mainThreadTimeout;
    const std::function<bool()> onMainThread;
    const DefaultsHandler onDefaults;
    const std::function<void()> onDevices;
    // A question went unanswered by a server that was connected: it is frozen until it answers.
    std::atomic<bool> stalled = false;

    std::unique_ptr<pa_threaded_mainloop, MainloopRelease> loop;
    // Loop lock:
    std::unique_ptr<pa_context, ContextRelease> context;
    pa_time_event* retryTimer = nullptr;
    std::chrono::milliseconds retryDelay = firstRetry;
    std::uint64_t attempts = 0;
    bool connecting = false;
    // waitMutex:
    std::mutex waitMutex;
    std::condition_variable changed;
    bool ready = false;
    std::uint64_t attemptsEnded = 0;
};

struct PulseAudioHardware::Listeners {
    struct Entry {
        std::uint32_t selector;
        PropertyListener listener;
    };

    bool holds(std::uint32_t selector, const PropertyListener& listener) {
        const std::lock_guard lock(mutex);
        return std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) {
            return entry.selector == selector && entry.listener == listener;
        });
    }

    std::mutex mutex;
    std::vector<Entry> entries;
};

PulseAudioHardware::PulseAudioHardware(MainQueue& mainQueue, Options options)
    : mainQueue(mainQueue), listeners(std::make_shared<Listeners>()),
      connection(std::make_unique<Connection>(
          std::move(options.server), options.queryTimeout, options.mainThreadQueryTimeout,
          [&mainQueue] { return mainQueue.isMainThread(); },
          [this](const std::string& name, const std::string& sink, const std::string& source) {
              serverSeen(name, sink, source);
          },
          [this] { notify(props::deviceIsRunningSomewhere); })) {}

PulseAudioHardware::~PulseAudioHardware() = default;

std::uint32_t
PulseAudioHardware::transportType(const std::map<std::string, std::string>& properties) {
    const auto get = [&](const char* key) -> std::string_view {
        const auto found = properties.find(key);
        return found == properties.end() ? std::string_view() : std::string_view(found->second);
    };
    const auto bus = get("device.bus");
    if (bus == "bluetooth" || get("device.api").starts_with("bluez")) {
        return props::transportBluetooth;
    }
    if (bus == "usb") {
        return props::transportUSB;
    }
    if (bus == "pci" || bus == "isa" || bus == "platform" ||
        get("device.form_factor") == "internal") {
        return props::transportBuiltIn;
    }
    if (bus == "virtual" || get("device.class") == "abstract" || get("node.virtual") == "true" ||
        get("factory.name") == "support.null-audio-sink") {
        return props::transportVirtual;
    }
    return 0;
}

AudioObjectID PulseAudioHardware::idOf(const DeviceKey& key) {
    const std::lock_guard lock(registryMutex);
    const auto [found, added] = ids.try_emplace(key, firstID + AudioObjectID(keys.size()));
    if (added) {
        keys.push_back(key);
    }
    return found->second;
}

std::optional<PulseAudioHardware::DeviceKey> PulseAudioHardware::keyOf(AudioObjectID id) {
    const std::lock_guard lock(registryMutex);
    if (id < firstID || id - firstID >= keys.size()) {
        return std::nullopt;
    }
    return keys[id - firstID];
}

HardwareStatus PulseAudioHardware::deviceIDs(std::vector<AudioObjectID>& found) {
    const auto sinks =
        connection->ask<std::vector<DeviceInfo>>([](pa_context* context, void* request) {
            return pa_context_get_sink_info_list(context, onDeviceInfo<pa_sink_info>, request);
        });
    if (!sinks) {
        return noAnswer;
    }
    const auto sources =
        connection->ask<std::vector<DeviceInfo>>([](pa_context* context, void* request) {
            return pa_context_get_source_info_list(context, onSourceInfo, request);
        });
    if (!sources) {
        return noAnswer;
    }
    found.clear();
    for (const auto& sink : *sinks) {
        found.push_back(idOf({Kind::sink, sink.name}));
    }
    for (const auto& source : *sources) {
        if (!source.monitor) {
            found.push_back(idOf({Kind::source, source.name}));
        }
    }
    return 0;
}

HardwareStatus PulseAudioHardware::defaultID(Kind kind, AudioObjectID& id) {
    const auto defaults = connection->ask<ServerDefaults>([](pa_context* context, void* request) {
        return pa_context_get_server_info(context, onServerInfo, request);
    });
    if (!defaults) {
        return noAnswer;
    }
    {
        const std::lock_guard lock(nameMutex);
        lastName = defaults->name;
    }
    const auto& name = kind == Kind::sink ? defaults->sink : defaults->source;
    const auto placeholder = kind == Kind::sink ? defaultSinkPlaceholder : defaultSourcePlaceholder;
    id = name.empty() || name == placeholder ? noAudioObject : idOf({kind, name});
    return 0;
}

namespace {

template <class Connection, class Key>
std::optional<DeviceInfo> fetchDevice(Connection& connection, const Key& key, bool sink) {
    auto found =
        connection.template ask<std::vector<DeviceInfo>>([&](pa_context* context, void* request) {
            return sink ? pa_context_get_sink_info_by_name(context, key.name.c_str(),
                                                           onDeviceInfo<pa_sink_info>, request)
                        : pa_context_get_source_info_by_name(context, key.name.c_str(),
                                                             onSourceInfo, request);
        });
    if (!found || found->size() != 1) {
        return std::nullopt;
    }
    return std::move(found->front());
}

// 1 when a stream not corked plays to (or records from) the device, 0 when none does; nothing
// when the server does not say.
template <class Connection>
std::optional<std::uint32_t> streamsOn(Connection& connection, const DeviceInfo& device,
                                       bool sink) {
    const auto devices = connection.template ask<std::vector<std::uint32_t>>(
        [&](pa_context* context, void* request) {
            return sink ? pa_context_get_sink_input_info_list(context, onStream<pa_sink_input_info>,
                                                              request)
                        : pa_context_get_source_output_info_list(
                              context, onStream<pa_source_output_info>, request);
        });
    if (!devices) {
        return std::nullopt;
    }
    return std::find(devices->begin(), devices->end(), device.index) != devices->end() ? 1u : 0u;
}

} // namespace

HardwareStatus PulseAudioHardware::propertyDataSize(AudioObjectID object,
                                                    const PropertyAddress& address,
                                                    std::uint32_t& size) {
    if (object == systemAudioObject) {
        switch (address.selector) {
        case props::devices: {
            std::vector<AudioObjectID> found;
            const auto status = deviceIDs(found);
            if (status == 0) {
                size = std::uint32_t(found.size() * sizeof(AudioObjectID));
            }
            return status;
        }
        case props::defaultInputDevice:
        case props::defaultOutputDevice:
            size = sizeof(AudioObjectID);
            return 0;
        default:
            return unknownProperty;
        }
    }
    const auto key = keyOf(object);
    if (!key) {
        return badObject;
    }
    const bool sink = key->kind == Kind::sink;
    switch (address.selector) {
    case props::name:
        size = sizeof(void*);
        break;
    case props::transportType:
        size = sizeof(std::uint32_t);
        break;
    case props::jackIsConnected: {
        const auto device = fetchDevice(*connection, *key, sink);
        if (!device) {
            return noAnswer;
        }
        size = sizeof(std::uint32_t);
        return device->jackIsConnected ? 0 : unknownProperty;
    }
    case props::nominalSampleRate:
        size = sizeof(double);
        break;
    case props::deviceIsRunningSomewhere:
        size = sizeof(std::uint32_t);
        break;
    case props::streams: {
        // One stream each: a source's is an input, a sink's an output.
        const bool has = address.scope == props::scopeGlobal ||
                         (address.scope == props::scopeInput && !sink) ||
                         (address.scope == scopeOutput && sink);
        size = has ? sizeof(std::uint32_t) : 0;
        break;
    }
    default:
        return unknownProperty;
    }
    // The device must still be there for it to have properties.
    return fetchDevice(*connection, *key, sink) ? 0 : noAnswer;
}

HardwareStatus PulseAudioHardware::propertyData(AudioObjectID object,
                                                const PropertyAddress& address, std::uint32_t& size,
                                                void* data) {
    if (object == systemAudioObject) {
        switch (address.selector) {
        case props::devices: {
            std::vector<AudioObjectID> found;
            if (const auto status = deviceIDs(found); status != 0) {
                return status;
            }
            const auto count = std::min<std::size_t>(size / sizeof(AudioObjectID), found.size());
            std::memcpy(data, found.data(), count * sizeof(AudioObjectID));
            size = std::uint32_t(count * sizeof(AudioObjectID));
            return 0;
        }
        case props::defaultInputDevice:
        case props::defaultOutputDevice: {
            if (size < sizeof(AudioObjectID)) {
                return badPropertySize;
            }
            AudioObjectID id = noAudioObject;
            const auto kind =
                address.selector == props::defaultInputDevice ? Kind::source : Kind::sink;
            if (const auto status = defaultID(kind, id); status != 0) {
                return status;
            }
            std::memcpy(data, &id, sizeof id);
            size = sizeof id;
            return 0;
        }
        default:
            return unknownProperty;
        }
    }
    const auto key = keyOf(object);
    if (!key) {
        return badObject;
    }
    if (address.selector != props::transportType && address.selector != props::nominalSampleRate &&
        address.selector != props::jackIsConnected &&
        address.selector != props::deviceIsRunningSomewhere) {
        return unknownProperty;
    }
    const bool isRate = address.selector == props::nominalSampleRate;
    if (size < (isRate ? sizeof(double) : sizeof(std::uint32_t))) {
        return badPropertySize;
    }
    const auto device = fetchDevice(*connection, *key, key->kind == Kind::sink);
    if (!device) {
        return noAnswer;
    }
    if (!isRate) {
        const auto value = address.selector == props::transportType
                               ? std::optional(transportType(device->properties))
                           : address.selector == props::deviceIsRunningSomewhere
                               ? streamsOn(*connection, *device, key->kind == Kind::sink)
                               : device->jackIsConnected;
        if (!value) {
            return unknownProperty;
        }
        std::memcpy(data, &*value, sizeof *value);
        size = sizeof *value;
    } else {
        std::memcpy(data, &device->sampleRate, sizeof device->sampleRate);
        size = sizeof device->sampleRate;
    }
    return 0;
}

HardwareStatus PulseAudioHardware::stringProperty(AudioObjectID object,
                                                  const PropertyAddress& address,
                                                  std::optional<std::string>& value) {
    if (object == systemAudioObject) {
        // The system object is the server, as it names itself.
        if (address.selector != props::name && address.selector != props::firmwareVersion) {
            return unknownProperty;
        }
        const auto info = connection->ask<ServerDefaults>([](pa_context* context, void* request) {
            return pa_context_get_server_info(context, onServerInfo, request);
        });
        if (!info) {
            return noAnswer;
        }
        value = address.selector == props::name ? info->name : info->version;
        return 0;
    }
    const auto key = keyOf(object);
    if (!key) {
        return badObject;
    }
    if (address.selector == props::deviceUID) {
        // The server's name for the device, which the identifier stands for.
        value = key->name;
        return 0;
    }
    if (address.selector != props::name) {
        return unknownProperty;
    }
    auto device = fetchDevice(*connection, *key, key->kind == Kind::sink);
    if (!device) {
        return noAnswer;
    }
    value = std::move(device->description);
    return 0;
}

HardwareStatus PulseAudioHardware::setPropertyData(AudioObjectID object,
                                                   const PropertyAddress& address,
                                                   std::uint32_t size, const void* data) {
    if (object != systemAudioObject) {
        return keyOf(object) ? unknownProperty : badObject;
    }
    if (address.selector != props::defaultInputDevice &&
        address.selector != props::defaultOutputDevice) {
        return unknownProperty;
    }
    if (size != sizeof(AudioObjectID)) {
        return badPropertySize;
    }
    AudioObjectID id = noAudioObject;
    std::memcpy(&id, data, sizeof id);
    const auto key = keyOf(id);
    if (!key) {
        return badObject;
    }
    const bool sink = address.selector == props::defaultOutputDevice;
    if ((key->kind == Kind::sink) != sink) {
        return illegalOperation;
    }
    const auto done = connection->ask<bool>([&](pa_context* context, void* request) {
        return sink ? pa_context_set_default_sink(context, key->name.c_str(), onSuccess, request)
                    : pa_context_set_default_source(context, key->name.c_str(), onSuccess, request);
    });
    return done && *done ? 0 : noAnswer;
}

HardwareStatus PulseAudioHardware::addPropertyListener(AudioObjectID object,
                                                       const PropertyAddress& address,
                                                       const PropertyListener& listener) {
    // A device's running state is heard of through any device's change: the listener reads
    // its device again.
    const bool device = object != systemAudioObject;
    if (device && !keyOf(object)) {
        return badObject;
    }
    const bool known = device ? address.selector == props::deviceIsRunningSomewhere
                              : (address.selector == props::defaultInputDevice ||
                                 address.selector == props::defaultOutputDevice);
    if (!known || !listener) {
        return unknownProperty;
    }
    const std::lock_guard lock(listeners->mutex);
    listeners->entries.push_back({address.selector, listener});
    return 0;
}

HardwareStatus PulseAudioHardware::removePropertyListener(AudioObjectID object,
                                                          const PropertyAddress& address,
                                                          const PropertyListener& listener) {
    if (object != systemAudioObject && !keyOf(object)) {
        return badObject;
    }
    const std::lock_guard lock(listeners->mutex);
    auto& entries = listeners->entries;
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
        return entry.selector == address.selector && entry.listener == listener;
    });
    if (found == entries.end()) {
        return unknownProperty;
    }
    entries.erase(found);
    return 0;
}

std::optional<std::string> PulseAudioHardware::serverName(std::chrono::milliseconds deadline) {
    const auto answer = connection->ask<ServerDefaults>(
        [](pa_context* context, void* request) {
            return pa_context_get_server_info(context, onServerInfo, request);
        },
        deadline);
    if (!answer) {
        return std::nullopt;
    }
    const std::lock_guard lock(nameMutex);
    lastName = answer->name;
    return answer->name;
}

std::optional<std::vector<std::int32_t>> PulseAudioHardware::playbackProcesses() {
    return connection->ask<std::vector<std::int32_t>>([](pa_context* context, void* request) {
        return pa_context_get_sink_input_info_list(context, onSinkInput, request);
    });
}

std::optional<std::vector<CaptureStream>> PulseAudioHardware::captureStreams() {
    auto outputs =
        connection->ask<std::vector<SourceOutput>>([](pa_context* context, void* request) {
            return pa_context_get_source_output_info_list(context, onSourceOutput, request);
        });
    const auto sources =
        connection->ask<std::vector<DeviceInfo>>([](pa_context* context, void* request) {
            return pa_context_get_source_info_list(context, onSourceInfo, request);
        });
    if (!outputs || !sources) {
        return std::nullopt;
    }
    std::vector<CaptureStream> streams;
    for (auto& output : *outputs) {
        output.stream.fromMonitor =
            std::any_of(sources->begin(), sources->end(), [&](const DeviceInfo& source) {
                return source.index == output.source && source.monitor;
            });
        streams.push_back(std::move(output.stream));
    }
    return streams;
}

std::optional<std::string> PulseAudioHardware::lastServerName() {
    const std::lock_guard lock(nameMutex);
    return lastName;
}

void PulseAudioHardware::serverSeen(const std::string& serverName, const std::string& sink,
                                    const std::string& source) {
    {
        const std::lock_guard lock(nameMutex);
        lastName = serverName;
    }
    const auto consider = [this](const std::string& name, std::string_view placeholder,
                                 std::optional<std::string>& last, Kind kind) {
        // A placeholder says nothing yet; the real name follows in a moment.
        if (name == placeholder || last == name) {
            return;
        }
        const bool known = last.has_value();
        last = name;
        // The first answer is where we start from, not a change.
        if (known) {
            defaultChanged(kind);
        }
    };
    consider(sink, defaultSinkPlaceholder, lastSink, Kind::sink);
    consider(source, defaultSourcePlaceholder, lastSource, Kind::source);
}

void PulseAudioHardware::defaultChanged(Kind kind) {
    notify(kind == Kind::sink ? props::defaultOutputDevice : props::defaultInputDevice);
}

void PulseAudioHardware::notify(std::uint32_t selector) {
    std::vector<PropertyListener> toRun;
    {
        const std::lock_guard lock(listeners->mutex);
        for (const auto& entry : listeners->entries) {
            if (entry.selector == selector) {
                toRun.push_back(entry.listener);
            }
        }
    }
    for (auto& listener : toRun) {
        // A listener removed (or a hardware object gone) before the main thread gets to it is
        // not run.
        mainQueue.post([table = std::weak_ptr(listeners), selector, listener] {
            if (const auto live = table.lock(); live && live->holds(selector, listener)) {
                (*listener)();
            }
        });
    }
}

} // namespace sonifix
