#include "FakePlatform.h"
#include "ScratchFolder.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/PosixUserAccount.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/ThreadExecutor.h"
#include "restart/CoreAudioRestarter.h"

#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace sonifix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ScratchFolder;
using testing::slurp;

// Whole writes and leftover scratch files are the autostart entry's tests, its only caller.
TEST(PosixFileSystem, AFailedWriteSaysWhereItFailed) {
    ScratchFolder scratch;
    const auto nowhere = (scratch.path / "missing" / "rule").string();
    const auto error = PosixFileSystem().writeAtomically(nowhere, "x\n");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(nowhere + "”: No such file or directory"), std::string::npos) << *error;

    // An empty rule, as an install cut short leaves, is no rule.
    std::ofstream(scratch.path / "empty");
    std::ofstream(scratch.path / "rule") << "x\n";
    EXPECT_FALSE(PosixFileSystem().hasContent((scratch.path / "empty").string()));
    EXPECT_TRUE(PosixFileSystem().hasContent((scratch.path / "rule").string()));
}

// What a detached program finds itself in: a session of its own, the folder and environment it
// was given, and a parent that is not the app.
TEST(PosixProgramLauncher, TheProgramRunsInItsOwnSessionWithWhatItWasGivenAndNotAsOurChild) {
    ScratchFolder scratch;
    const auto report = scratch.path / "report";
    PosixProgramLauncher launcher;
    ASSERT_EQ(launcher.startDetached(
                  {.program = "sh",
                   .arguments = {"sh", "-c",
                                 "echo $(ps -o sid= -p $$) $PPID \"$(pwd) $GREETING [$HOME]\" "
                                 ">report.part && mv report.part report"},
                   .workingDirectory = scratch.path.string(),
                   .environment = {{"PATH=/usr/bin:/bin", "GREETING=hello"}}}),
              0);
    ASSERT_TRUE(testing::FakeMainQueue().runUntil([&] { return fs::exists(report); }));
    std::istringstream fields(slurp(report));
    long session = 0;
    long parent = 0;
    std::string given;
    std::getline(fields >> session >> parent >> std::ws, given);
    EXPECT_NE(session, ::getsid(0)) << "in a session of its own";
    EXPECT_NE(parent, ::getpid());
    EXPECT_EQ(given, fs::canonical(scratch.path).string() + " hello []")
        << "nothing of the app's environment leaks in";

    EXPECT_EQ(launcher.startDetached({.program = "sonifix-no-such-program"}), ENOENT);
    EXPECT_EQ(launcher.startDetached({.program = scratch.path.string()}), ENOENT)
        << "a folder is not a program";
}

// A socket the app has open without close-on-exec, as a request in flight has, reaches neither a
// child that is run nor a program that is started for good, such as a relaunched sound server.
TEST(PosixProgramLauncher, ChildrenHoldNoDescriptorButTheirStandardStreams) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(socket, 0);
    const std::string listing = "ls /proc/$$/fd";
    EXPECT_EQ(PosixProcessRunner().run("/bin/sh", {"-c", listing}).output, "0\n1\n2\n");
    ScratchFolder scratch;
    const auto report = scratch.path / "report";
    ASSERT_EQ(PosixProgramLauncher().startDetached(
                  {.program = "/bin/sh",
                   .arguments = {"sh", "-c", "echo $$ >part && mv part report && exec sleep 30"},
                   .workingDirectory = scratch.path.string()}),
              0);
    ASSERT_TRUE(testing::FakeMainQueue().runUntil([&] { return fs::exists(report); }));
    const auto program = fs::path("/proc") / slurp(report).substr(0, slurp(report).size() - 1);
    // Once sleep has started up (it opens and closes files as it does).
    std::set<std::string> held;
    const std::set<std::string> standard = {"0", "1", "2"};
    testing::FakeMainQueue().runUntil([&] {
        held.clear();
        for (const auto& entry : fs::directory_iterator(program / "fd")) {
            held.insert(entry.path().filename());
        }
        return fs::read_symlink(program / "exe").filename() == "sleep" && held == standard;
    });
    ::kill(std::stoi(program.filename()), SIGKILL);
    EXPECT_EQ(held, standard);
    ::close(socket);
}

TEST(ThreadExecutor, TeardownStopsWaitingWorkAndWaitsForIt) {
    std::atomic<int> finished = 0;
    StopTokenSleeper sleeper;
    {
        ThreadExecutor executor;
        for (int i = 0; i < 3; ++i) {
            executor.submit([&](StopToken stop) { finished += !sleeper.sleep(60s, stop); });
        }
    }
    EXPECT_EQ(finished, 3);
}

// Real children through the real runner, seen as the restart engine sees them.
class RunTest : public ::testing::Test {
protected:
    ProcessResult shell(const std::string& script) { return engine.run("/bin/sh", {"-c", script}); }

    PosixProcessRunner runner;
    testing::FakePlatform fake;
    Platform platform = fake.with({.processes = &runner});
    CoreAudioRestarter engine{platform, DaemonIdentity::coreaudiod()};
};

TEST_F(RunTest, StandardOutputExactlyAsUtf8WithTheStatusAndNoStandardError) {
    // A program that cannot start gives -1 and nothing.
    const auto missing = engine.run("/nonexistent/pgrep", {"-x", "coreaudiod"});
    EXPECT_EQ(missing.status, -1);
    EXPECT_EQ(missing.output, "");
    EXPECT_EQ(engine.run("/etc/hostname", {}).status, -1); // not executable

    const auto noNewline = shell("printf '412\\n97\\nno line feed'; echo oops >&2; exit 3");
    EXPECT_EQ(noNewline.output, "412\n97\nno line feed");
    EXPECT_EQ(noNewline.status, 3);
    EXPECT_EQ(engine.run("/bin/echo", {"a b", "c"}).output, "a b c\n");
    EXPECT_EQ(engine.run("/usr/bin/id", {"-un"}).output, PosixUserAccount().shortName() + "\n")
        << "the user account names the user as the system does";
    EXPECT_EQ(PosixUserAccount().userIdOf(PosixUserAccount().shortName()), ::getuid());
    EXPECT_EQ(PosixUserAccount().userIdOf("sonifix no such user"), std::nullopt);
    // A lone continuation byte, a truncated sequence, an overlong form, a surrogate.
    EXPECT_EQ(shell("printf 'a\\200b\\342\\202c\\300\\257d\\355\\240\\200e \\303\\251\\n'").output,
              "a\uFFFDb\uFFFDc\uFFFD\uFFFDd\uFFFD\uFFFD\uFFFDe é\n");

    // Far more than a pipe holds, on both streams.
    const auto chatty = shell("head -c 2000000 /dev/zero | tr '\\0' e >&2; "
                              "head -c 300000 /dev/zero | tr '\\0' o; echo; exit 0");
    EXPECT_EQ(chatty.status, 0);
    EXPECT_EQ(chatty.output.size(), 300001u);
    EXPECT_EQ(chatty.output.find('e'), std::string::npos);
}

} // namespace
} // namespace sonifix
