// Against the distribution's own PipeWire units under a real systemd user manager, which
// user-manager.sh starts for a throw-away user; skipped anywhere else.
#include "ChildProcess.h"
#include "FakePlatform.h"
#include "platform/linux/LibPipeWireCore.h"
#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/PulseAudioHardware.h"
#include "platform/linux/SystemdServiceManager.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/StopTokenSleeper.h"
#include "restart/SoundServer.h"
#include "support/StopSource.h"

#include <QCoreApplication>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;

template <typename Condition> bool eventually(Condition done) {
    for (int tick = 0; tick < 250 && !done(); ++tick) {
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

SoundServer::Session thisSession() {
    SoundServer::Session session{.user = ::getuid(), .self = ::getpid()};
    for (char** entry = environ; *entry; ++entry) {
        session.environment.emplace_back(*entry);
    }
    return session;
}

// The real manager, with a tally of the restarts asked of it.
class CountingServices final : public ServiceManager {
public:
    std::optional<Unit> unitOf(std::int32_t pid) override { return real.unitOf(pid); }
    Outcome restart(const std::vector<std::string>& units,
                    std::chrono::milliseconds limit) override {
        ++restarts;
        return real.restart(units, limit);
    }
    Outcome kill(const std::vector<std::string>& units) override { return real.kill(units); }
    Outcome resetFailed(const std::string& unit) override { return real.resetFailed(unit); }
    int restarts = 0;

private:
    SystemdServiceManager real;
};

class UserServiceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("SONIFIX_USER_MANAGER")) {
            GTEST_SKIP() << "needs the user manager of user-manager.sh";
        }
    }
    static int systemctl(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"systemctl", "--user"});
        return ChildProcess::run(arguments);
    }

    testing::FakePlatform fake;
    CountingServices services;
    ProcFsProcessTable table;
    PosixProgramLauncher launcher;
    StopTokenSleeper sleeper;
    PulseAudioHardware hardware{fake.mainQueue, {}};
    LibPipeWireCore pipewireCore;
    SoundServer server{services, table, hardware, pipewireCore, launcher, sleeper, thisSession()};
    StopSource stop;
};

// Socket-activated, as desktops start them: the manager holds the sockets, and names the units.
// Then PipeWire itself wedged behind a bridge that still answers: asked itself, it does not
// answer, and its unit is killed before the restart rather than waited for.
TEST_F(UserServiceManagerTest, TheServersUnitsAreRestartedThroughTheManagerAWedgedOneKilledFirst) {
    ASSERT_EQ(server.name(), "pipewire");
    const auto socket = SoundServer::pipewireSocket(thisSession().environment);
    for (const bool wedged : {false, true}) {
        ASSERT_TRUE(eventually([&] { return server.pid().has_value(); }));
        const auto old = *server.pid();
        EXPECT_EQ(services.unitOf(old)->name, "pipewire.service");
        EXPECT_EQ(services.unitOf(old)->mainPID, old);
        if (wedged) {
            ::kill(old, SIGSTOP);
        }
        EXPECT_EQ(pipewireCore.answers(socket, 250ms), !wedged);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(server.stop(stop.token()), old);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
        server.bringBack(stop.token());
        EXPECT_TRUE(eventually([&] { return server.pid() && *server.pid() != old; }));
    }
    EXPECT_EQ(services.restarts, 2);
    EXPECT_TRUE(eventually([&] { return hardware.serverName(500ms).has_value(); }));
}

// Started from a terminal that runs as a unit of its own: that unit is left alone, and the
// server is stopped and started again by the app.
TEST_F(UserServiceManagerTest, AServerInAnUnrelatedUnitIsStoppedAndStartedAgainByTheApp) {
    const auto terminal = "app-org.kde.konsole@1.service";
    ASSERT_EQ(systemctl({"stop", "pipewire.socket", "pipewire.service"}), 0);
    ASSERT_EQ(systemctl({"start", "pipewire-pulse.socket"}), 0);
    ASSERT_EQ(ChildProcess::run({"systemd-run", "--user", "--unit", terminal, "sh", "-c",
                                 "pipewire & exec sleep 1000"}),
              0);
    ASSERT_TRUE(eventually([&] { return server.pid().has_value(); }));
    const auto old = *server.pid();
    EXPECT_EQ(services.unitOf(old)->name, terminal);
    const auto shell = services.unitOf(old)->mainPID;
    server.stop(stop.token());
    server.bringBack(stop.token());
    EXPECT_EQ(services.restarts, 0);
    EXPECT_TRUE(eventually([&] { return server.pid() && *server.pid() != old; }));
    EXPECT_EQ(services.unitOf(shell)->mainPID, shell) << "the terminal's unit was not restarted";
    systemctl({"stop", terminal});
}

} // namespace
} // namespace sonifix

int main(int argc, char** argv) {
    // Qt's own event loop rather than GLib's, which ThreadSanitizer cannot follow.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
