#include "SoundServerHarness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonifix::testing {

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto tick = 10ms;
constexpr auto startLimit = 10s;
constexpr auto stopLimit = 3s;

const char* const speakers = "sonifix_speakers";
const char* const builtInMicrophone = "builtin_mic";

std::optional<std::string> programPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream directories(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        const auto candidate = fs::path(directory) / name;
        if (!directory.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return std::nullopt;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& string : strings) {
        result.push_back(string.data());
    }
    result.push_back(nullptr);
    return result;
}

// In the child, between fork and exec: only calls that are safe there. The child dies with the
// thread that started it, so a test process that crashes leaves no server behind.
[[noreturn]] void execChild(pid_t parent, int output, char* const argv[], char* const envp[]) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    const int input = ::open("/dev/null", O_RDONLY);
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    // Nothing of the test process leaks in: an inherited pipe would keep another child's reader
    // waiting for an end that never comes.
    ::close_range(3, ~0U, 0);
    ::execve(argv[0], argv, envp);
    ::_exit(127);
}

bool isSocketListening(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool listening =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return listening;
}

std::string pipewireNode(const SoundServerHarness::Device& device, const std::string& bus,
                         const std::string& formFactor, const std::string& api, int priority) {
    std::ostringstream node;
    node << "  { factory = adapter\n    args = {\n"
         << "      factory.name = support.null-audio-sink\n"
         << "      node.name = \"" << device.name << "\"\n"
         << "      node.description = \"" << device.description << "\"\n"
         << "      media.class = \"" << (device.input ? "Audio/Source" : "Audio/Sink") << "\"\n"
         << "      audio.position = [ FL FR ]\n"
         << "      audio.rate = " << int(device.sampleRate) << "\n"
         << "      device.class = \"sound\"\n"
         << "      device.bus = \"" << bus << "\"\n"
         << "      device.form_factor = \"" << formFactor << "\"\n"
         << "      device.api = \"" << api << "\"\n"
         << "      priority.session = " << priority << "\n"
         << "      priority.driver = " << priority << "\n"
         << "    }\n  }\n";
    return node.str();
}

} // namespace

const std::vector<SoundServerHarness::Device>& SoundServerHarness::devices() {
    static const std::vector<Device> all{
        {speakers, "Built-in Speakers", false, 48000},
        {"bt_headset_mic", "BT Headset Microphone", true, 16000},
        {builtInMicrophone, "Built-in Microphone", true, 44100},
    };
    return all;
}

std::string SoundServerHarness::daemonName(ServerKind kind) {
    return kind == ServerKind::pulseaudio ? "pulseaudio" : "pipewire";
}

std::vector<std::string> SoundServerHarness::missingPrograms(ServerKind kind) {
    std::vector<std::string> needed{"pactl"};
    if (kind == ServerKind::pulseaudio) {
        needed.emplace_back("pulseaudio");
    } else {
        needed.insert(needed.end(), {"pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon"});
    }
    std::vector<std::string> missing;
    for (const auto& program : needed) {
        if (!programPath(program)) {
            missing.push_back(program);
        }
    }
    return missing;
}

SoundServerHarness::SoundServerHarness(ServerKind kind) : kind(kind) {
    std::string pattern = (fs::temp_directory_path() / "sonifix-e2e-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a directory for the sound server");
    }
    directory = pattern;
    const auto program = [](const std::string& name) { return programPath(name).value_or(name); };
    if (kind == ServerKind::pulseaudio) {
        children.push_back({"pulseaudio",
                            {program("pulseaudio"), "-n", "-F", directory + "/default.pa",
                             "--daemonize=no", "--exit-idle-time=-1", "--realtime=no",
                             "--high-priority=no", "--no-cpu-limit=yes", "--log-target=stderr"}});
    } else {
        children.push_back({"dbus-daemon",
                            {program("dbus-daemon"), "--session", "--nofork", "--nopidfile",
                             "--address=unix:path=" + directory + "/run/bus"}});
        children.push_back({"pipewire", {program("pipewire")}});
        children.push_back({"wireplumber", {program("wireplumber")}});
        children.push_back({"pipewire-pulse", {program("pipewire-pulse")}});
    }
}

SoundServerHarness::~SoundServerHarness() {
    stopAll();
    std::error_code ignored;
    fs::remove_all(directory, ignored);
}

void SoundServerHarness::writeConfiguration() {
    const fs::path root(directory);
    for (const auto* sub :
         {"run", "home/.config", "state", "config/pipewire/pipewire.conf.d",
          "config/wireplumber/main.lua.d", "config/wireplumber/bluetooth.lua.d"}) {
        fs::create_directories(root / sub);
    }
    fs::permissions(root / "run", fs::perms::owner_all);
    const auto& all = devices();
    if (kind == ServerKind::pulseaudio) {
        std::ofstream script(root / "default.pa");
        // Anonymous access, so that no cookie is needed; module-null-source takes no properties
        // when it is loaded, so they are set afterwards.
        script << ".fail\n"
               << "load-module module-native-protocol-unix auth-anonymous=1\n"
               << "load-module module-null-sink sink_name=" << all[0].name
               << " rate=" << int(all[0].sampleRate) << " sink_properties='device.description=\""
               << all[0].description << "\"'\n"
               << "update-sink-proplist " << all[0].name
               << " device.class=sound device.bus=pci device.form_factor=internal "
                  "device.api=alsa\n"
               << "load-module module-null-source source_name=" << all[1].name
               << " rate=" << int(all[1].sampleRate) << "\n"
               << "update-source-proplist " << all[1].name << " device.description=\""
               << all[1].description
               << "\" device.class=sound device.bus=bluetooth device.form_factor=headset "
                  "device.api=bluez\n"
               << "load-module module-null-source source_name=" << all[2].name
               << " rate=" << int(all[2].sampleRate) << "\n"
               << "update-source-proplist " << all[2].name << " device.description=\""
               << all[2].description
               << "\" device.class=sound device.bus=pci device.form_factor=internal "
                  "device.api=alsa\n"
               << "set-default-sink " << all[0].name << "\n"
               << "set-default-source " << all[2].name << "\n";
        return;
    }
    {
        // In the server's own configuration, so that the devices come back with every restart.
        std::ofstream nodes(root / "config/pipewire/pipewire.conf.d/50-sonifix-null.conf");
        nodes << "context.objects = [\n"
              << pipewireNode(all[0], "pci", "internal", "alsa", 1000)
              << pipewireNode(all[1], "bluetooth", "headset", "bluez5", 900)
              << pipewireNode(all[2], "pci", "internal", "alsa", 1000) << "]\n";
    }
    // No hardware monitors: the machine's own devices stay out of the private graph.
    std::ofstream(root / "config/wireplumber/main.lua.d/51-sonifix.lua")
        << "alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\n"
           "libcamera_monitor.enabled = false\n";
    std::ofstream(root / "config/wireplumber/bluetooth.lua.d/51-sonifix.lua")
        << "bluez_monitor.enabled = false\n";
}

std::vector<std::string> SoundServerHarness::environment() const {
    const char* path = std::getenv("PATH");
    std::vector<std::string> environment{
        "PATH=" + std::string(path ? path : "/usr/local/bin:/usr/bin:/bin"),
        "LANG=C",
        "XDG_RUNTIME_DIR=" + directory + "/run",
    };
    if (kind == ServerKind::pulseaudio) {
        environment.insert(environment.end(), {"HOME=" + directory + "/home",
                                               "XDG_CONFIG_HOME=" + directory + "/home/.config",
                                               "DBUS_SESSION_BUS_ADDRESS=disabled:"});
    } else {
        environment.insert(environment.end(),
                           {"HOME=" + directory + "/home",
                            "XDG_CONFIG_HOME=" + directory + "/config",
                            "XDG_STATE_HOME=" + directory + "/state",
                            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + directory + "/run/bus"});
    }
    return environment;
}

pid_t SoundServerHarness::spawn(const Child& child) const {
    auto command = child.command;
    auto environment = this->environment();
    auto argv = pointers(command);
    auto envp = pointers(environment);
    const auto log = directory + "/" + child.name + ".log";
    const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (output < 0) {
        return 0;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        execChild(parent, output, argv.data(), envp.data());
    }
    ::close(output);
    return pid > 0 ? pid : 0;
}

std::string SoundServerHarness::pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command{programPath("timeout").value_or("/usr/bin/timeout"),
                                     "-k",
                                     "1",
                                     "5",
                                     programPath("pactl").value_or("pactl"),
                                     "--server=" + serverAddress()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    auto environment = this->environment();
    auto argv = pointers(command);
    auto envp = pointers(environment);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        execChild(parent, ends[1], argv.data(), envp.data());
    }
    ::close(ends[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t count; (count = ::read(ends[0], buffer, sizeof buffer)) != 0;) {
        if (count > 0) {
            output.append(buffer, std::size_t(count));
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(ends[0]);
    if (pid > 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    while (!output.empty() && output.back() == '\n') {
        output.pop_back();
    }
    return output;
}

std::string SoundServerHarness::serverAddress() const {
    return "unix:" + directory + "/run/pulse/native";
}

SoundServer::Owners SoundServerHarness::owners() const {
    return {.user = ::getuid(), .parent = ::getpid()};
}

SoundServerHarness::Child* SoundServerHarness::find(const std::string& name) {
    for (auto& child : children) {
        if (child.name == name) {
            return &child;
        }
    }
    return nullptr;
}

pid_t SoundServerHarness::serverPID() const {
    const std::lock_guard lock(mutex);
    for (const auto& child : children) {
        if (child.name == daemonName(kind)) {
            return child.pid;
        }
    }
    return 0;
}

bool SoundServerHarness::pipewireListening() const {
    return isSocketListening(directory + "/run/pipewire-0");
}

void SoundServerHarness::startMissing(std::unique_lock<std::mutex>&) {
    for (auto& child : children) {
        if (child.pid != 0) {
            continue;
        }
        // PipeWire's clients give up at once when the server is not there yet.
        if ((child.name == "wireplumber" || child.name == "pipewire-pulse") &&
            !pipewireListening()) {
            continue;
        }
        if (child.name == daemonName(kind)) {
            // A pid file left by a killed daemon would make the new one think it runs already.
            std::error_code ignored;
            fs::remove(directory + "/run/pulse/pid", ignored);
            respawnedAt = std::chrono::steady_clock::now();
            comeback.reset();
        }
        child.pid = spawn(child);
    }
}

void SoundServerHarness::supervise() {
    std::unique_lock lock(mutex);
    while (!stopping || std::any_of(children.begin(), children.end(),
                                    [](const Child& child) { return child.pid != 0; })) {
        for (auto& child : children) {
            int status = 0;
            if (child.pid != 0 && ::waitpid(child.pid, &status, WNOHANG) == child.pid) {
                child.pid = 0;
                reaped.notify_all();
            }
        }
        if (respawn && !stopping) {
            startMissing(lock);
        }
        const auto since = respawnedAt;
        lock.unlock();
        if (since && pactl({"get-default-sink"}) == speakers) {
            const auto now = std::chrono::steady_clock::now();
            lock.lock();
            comeback = std::chrono::duration_cast<std::chrono::milliseconds>(now - *since);
            answered = now;
            respawnedAt.reset();
            lock.unlock();
        }
        std::this_thread::sleep_for(tick);
        lock.lock();
    }
}

void SoundServerHarness::start() {
    writeConfiguration();
    {
        const std::lock_guard lock(mutex);
        respawn = false;
    }
    supervisor = std::thread([this] { supervise(); });
    const auto deadline = std::chrono::steady_clock::now() + startLimit;
    const auto waitFor = [&](const std::function<bool()>& ready) {
        while (!ready()) {
            if (std::chrono::steady_clock::now() > deadline) {
                throw std::runtime_error(daemonName(kind) + " did not start:\n" + logTail());
            }
            std::this_thread::sleep_for(tick);
        }
    };
    for (auto& child : children) {
        {
            const std::lock_guard lock(mutex);
            child.pid = spawn(child);
        }
        if (child.name == "dbus-daemon") {
            waitFor([&] { return isSocketListening(directory + "/run/bus"); });
        } else if (child.name == "pipewire") {
            waitFor([&] { return pipewireListening(); });
        }
    }
    // PipeWire's default input is WirePlumber's choice, so it is there only once WirePlumber
    // has made it.
    waitFor([&] {
        return pactl({"get-default-sink"}) == speakers &&
               pactl({"get-default-source"}) == builtInMicrophone;
    });
    const std::lock_guard lock(mutex);
    respawn = true;
    respawnedAt.reset();
}

void SoundServerHarness::setRespawn(bool on) {
    const std::lock_guard lock(mutex);
    respawn = on;
}

std::optional<std::chrono::milliseconds> SoundServerHarness::lastComeback() const {
    const std::lock_guard lock(mutex);
    return comeback;
}

std::optional<std::chrono::steady_clock::time_point> SoundServerHarness::lastAnswered() const {
    const std::lock_guard lock(mutex);
    return answered;
}

bool SoundServerHarness::waitUntilAnswering(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pactl({"get-default-sink"}) != speakers) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(tick);
    }
    return true;
}

void SoundServerHarness::restartServer() {
    const auto old = serverPID();
    if (old == 0 || ::kill(old, SIGTERM) != 0) {
        throw std::runtime_error("no server to restart");
    }
    const auto deadline = std::chrono::steady_clock::now() + startLimit;
    for (;;) {
        const auto now = serverPID();
        if (now != 0 && now != old && waitUntilAnswering(startLimit)) {
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error(daemonName(kind) + " did not come back:\n" + logTail());
        }
        std::this_thread::sleep_for(tick);
    }
}

void SoundServerHarness::freeze() {
    const std::lock_guard lock(mutex);
    for (const auto& child : children) {
        if (child.pid != 0 && child.name != "dbus-daemon" && child.name != "wireplumber") {
            ::kill(child.pid, SIGSTOP);
        }
    }
}

void SoundServerHarness::thaw() {
    const std::lock_guard lock(mutex);
    for (const auto& child : children) {
        if (child.pid != 0) {
            ::kill(child.pid, SIGCONT);
        }
    }
}

void SoundServerHarness::stopAll() {
    std::unique_lock lock(mutex);
    stopping = true;
    const auto signal = [&](int number) {
        for (const auto& child : children) {
            if (child.pid != 0) {
                ::kill(child.pid, number);
                // A stopped process acts on SIGTERM only once it runs again.
                ::kill(child.pid, SIGCONT);
            }
        }
    };
    const auto allReaped = [&] {
        return std::none_of(children.begin(), children.end(),
                            [](const Child& child) { return child.pid != 0; });
    };
    if (supervisor.joinable()) {
        signal(SIGTERM);
        if (!reaped.wait_for(lock, stopLimit, allReaped)) {
            signal(SIGKILL);
            reaped.wait(lock, allReaped);
        }
        lock.unlock();
        supervisor.join();
        return;
    }
    // Never started: nothing runs, but reap whatever a failed start left.
    signal(SIGKILL);
    for (auto& child : children) {
        if (child.pid != 0) {
            int status = 0;
            ::waitpid(child.pid, &status, 0);
            child.pid = 0;
        }
    }
}

std::string SoundServerHarness::logTail() const {
    std::string tail;
    for (const auto& child : children) {
        std::ifstream log(directory + "/" + child.name + ".log");
        std::string line;
        std::vector<std::string> lines;
        while (std::getline(log, line)) {
            lines.push_back(line);
        }
        tail += "--- " + child.name + ".log\n";
        for (auto i = lines.size() > 15 ? lines.size() - 15 : 0; i < lines.size(); ++i) {
            tail += lines[i] + "\n";
        }
    }
    return tail;
}

} // namespace sonifix::testing
