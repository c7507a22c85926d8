#include "ScratchFolder.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/PosixUserAccount.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/ThreadExecutor.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace sonifix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ScratchFolder;
using testing::slurp;

TEST(PosixFileSystem, AWriteReplacesTheWholeFileOrSaysWhereItFailedAndLeavesNoScratchFile) {
    ScratchFolder scratch;
    PosixFileSystem files;
    const auto target = (scratch.path / "rule").string();
    EXPECT_EQ(files.writeAtomically(target, "first line\n"), std::nullopt);
    EXPECT_EQ(files.writeAtomically(target, "second\n"), std::nullopt);
    EXPECT_EQ(slurp(target), "second\n");
    EXPECT_TRUE(files.exists(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path), fs::directory_iterator()), 1);

    const auto nowhere = (scratch.path / "missing" / "rule").string();
    const auto error = files.writeAtomically(nowhere, "x\n");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(nowhere + "”: No such file or directory"), std::string::npos) << *error;
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
                                 "echo \"$(ps -o sid= -p $$) $PPID $(pwd) $GREETING $HOME\" "
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
    long parent = 0;
    std::string folder;
    std::string greeting;
    std::string home;
    fields >> session >> parent >> folder >> greeting >> home;
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

TEST(PosixUserAccount, NamesTheUserAsTheSystemDoes) {
    EXPECT_EQ(PosixUserAccount().shortName() + "\n",
              PosixProcessRunner().run("/usr/bin/id", {"-un"}).output);
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

} // namespace
} // namespace sonifix
