#include "ScratchFolder.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/PosixUserAccount.h"
#include "platform/posix/RandomUuidSource.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/ThreadExecutor.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace sonifix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ScratchFolder;
using testing::slurp;

TEST(PosixFileSystem, AtomicWriteReplacesWholeAndLeavesNoScratchFile) {
    ScratchFolder scratch;
    PosixFileSystem files;
    const auto target = (scratch.path / "rule").string();

    EXPECT_FALSE(files.exists(target));
    EXPECT_EQ(files.writeAtomically(target, "first line\n"), std::nullopt);
    EXPECT_TRUE(files.exists(target));
    EXPECT_EQ(files.writeAtomically(target, "second\n"), std::nullopt);
    EXPECT_EQ(slurp(target), "second\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path), fs::directory_iterator()), 1);

    EXPECT_TRUE(files.remove(target));
    EXPECT_FALSE(files.exists(target));
    EXPECT_FALSE(files.remove(target));
}

TEST(PosixFileSystem, AFailedWriteSaysWhereAndLeavesNothing) {
    ScratchFolder scratch;
    PosixFileSystem files;
    const auto target = (scratch.path / "missing" / "rule").string();
    const auto error = files.writeAtomically(target, "x\n");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(target), std::string::npos);
    EXPECT_NE(error->find("No such file or directory"), std::string::npos);
    EXPECT_FALSE(files.exists(target));
}

TEST(PosixFileSystem, TemporaryDirectoryHasNoTrailingSlash) {
    PosixFileSystem files;
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    ::setenv("TMPDIR", "/var/tmp/user//", 1);
    EXPECT_EQ(files.temporaryDirectory(), "/var/tmp/user");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(files.temporaryDirectory(), "/tmp");
    if (saved) {
        ::setenv("TMPDIR", previous.c_str(), 1);
    }
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
                                 "echo \"$(ps -o sid= -p $$) $$ $PPID $(pwd) $GREETING $HOME\" "
                                 ">report.part && mv report.part report"},
                   .workingDirectory = scratch.path.string(),
                   .environment = {{"PATH=/usr/bin:/bin", "GREETING=hello"}}}),
              0);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!fs::exists(report) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    std::istringstream fields(slurp(report));
    long session = 0;
    long pid = 0;
    long parent = 0;
    std::string folder;
    std::string greeting;
    std::string home;
    fields >> session >> pid >> parent >> folder >> greeting >> home;
    EXPECT_NE(session, ::getsid(0)) << "in a session of its own";
    EXPECT_NE(session, 0);
    EXPECT_NE(parent, ::getpid());
    EXPECT_EQ(fs::path(folder), fs::canonical(scratch.path));
    EXPECT_EQ(greeting, "hello");
    EXPECT_EQ(home, "") << "nothing of the app's environment leaks in";

    EXPECT_EQ(launcher.startDetached({.program = "sonifix-no-such-program"}), ENOENT);
    EXPECT_EQ(launcher.startDetached({.program = scratch.path.string()}), ENOENT)
        << "a folder is not a program";
}

TEST(RandomUuidSource, GivesDistinctUpperCaseVersion4Text) {
    RandomUuidSource uuids;
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    const auto first = uuids.makeUuid();
    const auto second = uuids.makeUuid();
    EXPECT_TRUE(std::regex_match(first, form)) << first;
    EXPECT_TRUE(std::regex_match(second, form)) << second;
    EXPECT_NE(first, second);
}

TEST(PosixUserAccount, NamesTheUserAsTheSystemDoes) {
    PosixProcessRunner runner;
    EXPECT_EQ(PosixUserAccount().shortName() + "\n", runner.run("/usr/bin/id", {"-un"}).output);
}

TEST(ThreadExecutor, TeardownStopsWaitingWorkAndWaitsForIt) {
    std::atomic<int> finished = 0;
    StopTokenSleeper sleeper;
    {
        ThreadExecutor executor;
        for (int i = 0; i < 3; ++i) {
            executor.submit([&](StopToken stop) {
                if (!sleeper.sleep(60s, stop)) {
                    ++finished;
                }
            });
        }
    }
    EXPECT_EQ(finished, 3);
}

} // namespace
} // namespace sonifix
