#include "restart/CoreAudioRestarter.h"

#include "FakePlatform.h"
#include "ScratchFolder.h"
#include "platform/posix/PosixProcessRunner.h"
#include "restart/PasswordFreeRule.h"
#include "support/StopSource.h"
#include "support/TaskCancelled.h"

#include <atomic>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Failure = CoreAudioRestarter::Failure;

const std::string pgrep = "/usr/bin/pgrep -x coreaudiod";
const std::string sudo = "/usr/bin/sudo -n /usr/bin/killall coreaudiod";

TEST(ProcessID, OnlyAWellFormedFirstLineCounts) {
    const std::vector<std::pair<std::string, std::int32_t>> read = {
        {"412\n97\n", 412}, {"\n\n412\n", 412},           {"412", 412},
        {"+7\n", 7},        {"2147483647\n", 2147483647}, {"-2147483648\n", -2147483647 - 1}};
    for (const auto& [output, pid] : read) {
        EXPECT_EQ(CoreAudioRestarter::processID(output), pid) << "output: " << output;
    }
    for (const std::string refused :
         {"", "\n", " 412\n", "412\r\n", "pid412\n", "412 \n", "+\n", "+-7\n", "++7\n",
          "2147483648\n", "-2147483649\n", "\xEF\xBC\x94\n" /* a full-width digit */}) {
        EXPECT_EQ(CoreAudioRestarter::processID(refused), std::nullopt) << "output: " << refused;
    }
}

class CoreAudioRestarterTest : public ::testing::Test {
protected:
    CoreAudioRestarterTest() {
        fake.hardware.setDefault(false, fake.hardware.addDevice({.name = "Speakers"}));
    }

    // The daemon's PIDs as pgrep prints them: the first before the kill, then one per poll.
    void daemonRuns(const std::vector<std::string>& outputs, int sudoStatus = 0) {
        std::vector<ProcessResult> results;
        for (const auto& output : outputs) {
            results.push_back({.status = 0, .output = output});
        }
        fake.processes.answer(pgrep, results);
        fake.processes.answer(sudo, {{.status = sudoStatus}});
    }
    // What the step threw; a failure with no words when it threw nothing.
    template <class Step> static Failure failureOf(Step step) {
        try {
            step();
        } catch (const Failure& failure) {
            return failure;
        }
        ADD_FAILURE() << "no failure";
        return Failure::failed("");
    }
    Failure restartFailure() {
        return failureOf([this] { engine.restart(stop.token()); });
    }
    Failure adminFailure(ScriptError error) {
        fake.adminShell.answers.push_back({.made = true, .error = std::move(error)});
        return failureOf([this] { engine.runAsAdmin("/bin/rm -f /etc/sudoers.d/sonifix"); });
    }

    testing::FakePlatform fake;
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};
    StopSource stop;
};

TEST_F(CoreAudioRestarterTest, PasswordFreeRestartWaitsForANewDaemonAndSettles) {
    daemonRuns({"412\n", "513\n"});
    EXPECT_FALSE(engine.restart(stop.token()));
    EXPECT_EQ(fake.processes.calls, (std::vector<std::string>{pgrep, sudo, pgrep}));
    EXPECT_EQ(fake.sleeper.pauses, (std::vector<std::chrono::nanoseconds>{250ms, 700ms}));

    // Only first lines compare: the new daemon is listed first, the old one still shows.
    daemonRuns({"412\n97\n", "97\n412\n"});
    EXPECT_FALSE(engine.restart(stop.token()));
    // With no daemon at first any daemon counts.
    daemonRuns({"", "", "77\n"});
    EXPECT_FALSE(engine.restart(stop.token()));
    EXPECT_EQ(fake.adminShell.scripts.size(), 0u);
}

TEST_F(CoreAudioRestarterTest, AFailedPasswordFreeAttemptFallsBackToTheAdministrator) {
    for (const int sudoStatus : {1, -1}) { // refused, or sudo missing altogether
        daemonRuns({"412\n", "513\n"}, sudoStatus);
        EXPECT_TRUE(engine.restart(stop.token()));
    }
    EXPECT_EQ(fake.adminShell.scripts,
              std::vector<std::string>(2, "do shell script \"/usr/bin/killall coreaudiod\" with "
                                          "administrator privileges"));

    const auto pauses = fake.sleeper.pauses.size();
    fake.adminShell.answerDismissed();
    EXPECT_EQ(restartFailure().kind(), Failure::Kind::cancelled);
    fake.adminShell.answerFailed("No matching processes were found");
    const auto failed = restartFailure();
    EXPECT_EQ(failed.kind(), Failure::Kind::failed);
    EXPECT_STREQ(failed.what(), "No matching processes were found");
    EXPECT_EQ(fake.sleeper.pauses.size(), pauses) << "no polls after the prompt failed";
}

// Then the daemon never comes back, and every poll costs another half second of the clock.
TEST_F(CoreAudioRestarterTest, ADaemonBackAtTheFortiethPollCountsAndNoneAfterTenSecondsFails) {
    std::vector<std::string> outputs(41, "412\n");
    outputs.back() = "513\n";
    daemonRuns(outputs);
    EXPECT_FALSE(engine.restart(stop.token()));
    EXPECT_EQ(fake.sleeper.total(), 40 * 250ms + 700ms);

    daemonRuns({"412\n"}); // the kill had no effect
    fake.sleeper.pauses.clear();
    for (std::size_t pause = 1; pause <= 40; ++pause) {
        fake.sleeper.hooks[pause] = [this] {
            fake.clock.elapsed = fake.clock.elapsed.load() + 500ms;
        };
    }
    const auto started = fake.clock.steadyNow();
    const auto samePID = restartFailure();
    EXPECT_EQ(samePID.kind(), Failure::Kind::didNotComeBack);
    EXPECT_STREQ(samePID.what(), "coreaudiod was stopped but didn't come back within 10 seconds.");
    EXPECT_GE(fake.clock.steadyNow() - started, 10s);
    EXPECT_LE(fake.clock.steadyNow() - started, 10s + 2 * 750ms);

    // A new daemon, but no output device to play to.
    daemonRuns({"412\n", "513\n"});
    fake.hardware.setDefault(false, noAudioObject);
    EXPECT_EQ(restartFailure().kind(), Failure::Kind::didNotComeBack);
    fake.hardware.failing = {{systemAudioObject, audio_properties::defaultOutputDevice}};
    EXPECT_EQ(restartFailure().kind(), Failure::Kind::didNotComeBack);
}

TEST_F(CoreAudioRestarterTest, AStopDuringAPauseEndsTheRestartWithCancellationNotAFailure) {
    daemonRuns({"412\n"});
    fake.sleeper.hooks[3] = [&] { stop.requestStop(); };
    EXPECT_THROW(engine.restart(stop.token()), TaskCancelled);
    EXPECT_EQ(fake.sleeper.pauses.size(), 3u);
}

TEST_F(CoreAudioRestarterTest, OneRootCommandCarriesTheRuleForASafeUserNameAndThePromptsOutcome) {
    const auto install = [this] { return failureOf([this] { engine.installPasswordFree(); }); };
    // Nor any name sudoers reads as every user or as an alias, nor another account's name.
    for (const std::string name : {"john smith", "me@home", "jos\xC3\xA9", "", "a'b", "x\n", "ALL",
                                   "ADMIN", "A_1", "Defaults", "User_Alias", "root"}) {
        fake.user.name = name;
        EXPECT_EQ(std::string(install().what()), "Unexpected user name \"" + name + "\".");
    }
    EXPECT_TRUE(fake.adminShell.scripts.empty()) << "refused before the password is asked";

    fake.user.name = "studio";
    engine.installPasswordFree();
    EXPECT_EQ(
        fake.adminShell.scripts,
        std::vector<std::string>{
            R"(do shell script "/usr/bin/env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin /bin/sh -c )"
            R"('umask 077; t=$(/usr/bin/mktemp /etc/sudoers.d/sonifix.XXXXXX) || exit; )"
            R"(/usr/bin/printf \"%s\\n\" \"studio ALL=(root) NOPASSWD: /usr/bin/killall )"
            R"(coreaudiod\" > \"$t\" && /usr/sbin/visudo -cf \"$t\" && chown root:wheel \"$t\" )"
            R"(&& /bin/chmod 0440 \"$t\" && /bin/mv -f \"$t\" /etc/sudoers.d/sonifix; s=$?; )"
            R"(/bin/rm -f \"$t\"; exit $s'" with administrator privileges)"});
    fake.user.name = "first.last_name-2";
    fake.adminShell.answerDismissed();
    EXPECT_EQ(install().kind(), Failure::Kind::cancelled) << "the name reached the prompt";
}

TEST_F(CoreAudioRestarterTest, AnAdminCommandFailsAsItsScriptsErrorSaysAndRunsOnTheMainThread) {
    engine.runAsAdmin("/bin/true");
    fake.adminShell.answers = {{.made = false, .error = std::nullopt}}; // nothing ran
    engine.runAsAdmin("/bin/true");
    EXPECT_EQ(adminFailure({-128, std::nullopt}).kind(), Failure::Kind::cancelled);
    EXPECT_STREQ(adminFailure({std::nullopt, std::nullopt}).what(), "The admin command failed.");
    EXPECT_STREQ(adminFailure({-1743, std::nullopt}).what(), "The admin command failed.");
    EXPECT_STREQ(adminFailure({std::nullopt, "Not authorised"}).what(), "Not authorised");

    // From a worker it runs on the main thread and hands the error back, if it runs at all.
    fake.adminShell.answerDismissed();
    std::atomic<bool> cancelled = false;
    std::thread worker([&] {
        try {
            engine.runAsAdmin("/usr/bin/killall coreaudiod");
        } catch (const Failure& failure) {
            cancelled = failure.kind() == Failure::Kind::cancelled;
        }
    });
    EXPECT_TRUE(fake.mainQueue.runUntil([&] { return cancelled.load(); }));
    worker.join();
    EXPECT_EQ(fake.adminShell.thread, std::this_thread::get_id());

    // A request the main queue drops unrun does not leave the worker waiting.
    std::thread dropped(
        [&] { EXPECT_THROW(engine.runAsAdmin("/usr/bin/killall coreaudiod"), std::future_error); });
    while (fake.mainQueue.pending() == 0) {
        std::this_thread::yield();
    }
    fake.mainQueue.dropAll();
    dropped.join();
    EXPECT_EQ(fake.adminShell.scripts.size(), 7u) << "the dropped request never ran";
}

namespace fs = std::filesystem;

// Runs the command line for real as root, the way the administrator prompt does, but installing
// into a folder of the test's own (group root: Debian has no wheel) instead of /etc/sudoers.d.
// TMPDIR is a folder of the user's, where a program of theirs has planted rules that make anyone
// root under any name a temporary file of the command could have.
class RootCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "installing a file owned by root needs root";
        }
    }
    void TearDown() override { ::umount2(rootFolder.path.c_str(), MNT_DETACH); }

    // The line run by `shell` with these variables added, its errors in the output.
    ProcessResult install(std::string_view userName, std::vector<std::string> environment = {},
                          const std::string& shell = "/bin/sh") {
        for (const auto* name : {"sonifix", "sonifix.AAAAAA", "tmp.AAAAAAAAAA"}) {
            std::ofstream(userFolder.path / name) << "ALL ALL=(ALL) NOPASSWD: ALL\n";
        }
        const auto command = PasswordFreeRule::installCommandLine(
            userName, "/usr/bin/killall coreaudiod", destination.string(), "root");
        environment.insert(environment.begin(), "TMPDIR=" + userFolder.path.string());
        environment.insert(environment.end(), {shell, "-c", "exec 2>&1; " + command});
        return PosixProcessRunner().run("/usr/bin/env", environment);
    }
    // Files in the rule's folder: the rule alone, or nothing, is left there.
    auto filesInstalled() {
        return std::distance(fs::directory_iterator(rootFolder.path), fs::directory_iterator());
    }

    testing::ScratchFolder rootFolder;
    testing::ScratchFolder userFolder;
    const fs::path destination = rootFolder.path / "sonifix";
};

TEST_F(RootCommandTest, InstallsExactlyTheRuleForRootToReadAndNothingElse) {
    // The app never builds this rule: no acceptable user name holds a parenthesis.
    EXPECT_NE(install("no(good").status, 0);
    EXPECT_EQ(filesInstalled(), 0);

    ASSERT_EQ(install("first.last_name-2").status, 0);
    ASSERT_EQ(install("studio").status, 0) << "again over it, for another user";
    EXPECT_NE(install("no(good").status, 0);
    EXPECT_EQ(testing::slurp(destination),
              "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
    EXPECT_EQ(filesInstalled(), 1);
    struct stat info {};
    ASSERT_EQ(::stat(destination.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0440u);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_gid, 0u);
    EXPECT_EQ(PosixProcessRunner().run("/usr/sbin/visudo", {"-cf", destination.string()}).status,
              0);
}

// A full disk leaves the rule that was there, or none, never a part of one; the error says why.
TEST_F(RootCommandTest, OnAFullDiskTheOldRuleStaysWholeAndTheErrorSaysWhy) {
    if (::mount("tmpfs", rootFolder.path.c_str(), "tmpfs", 0, "size=16k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    const std::string old = "old ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n";
    std::ofstream(destination) << old;
    std::ofstream(rootFolder.path / "filler") << std::string(64 * 1024, 'x');
    const auto full = install("studio");
    EXPECT_NE(full.status, 0);
    EXPECT_NE(full.output.find("No space left on device"), std::string::npos) << full.output;
    EXPECT_EQ(testing::slurp(destination), old);
    EXPECT_EQ(filesInstalled(), 2);

    fs::remove(destination); // room for the new rule and no more
    const auto tight = install("studio");
    EXPECT_EQ(tight.status, 0) << tight.output;
    EXPECT_EQ(testing::slurp(destination),
              "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
}

// What the user's environment defines never runs as root, even in a shell that reads it.
TEST_F(RootCommandTest, NothingTheUsersEnvironmentDefinesRuns) {
    const auto marker = userFolder.path / "ran";
    const auto script = userFolder.path / "startup";
    std::ofstream(script) << "/usr/bin/touch " << marker << "\n";
    const auto bash = userFolder.path / "sh"; // bash named sh, as the Mac's /bin/sh is
    fs::create_symlink("/bin/bash", bash);
    const auto hostile =
        install("studio",
                {"BASH_FUNC_printf%%=() { /usr/bin/touch " + marker.string() + "; }",
                 "BASH_ENV=" + script.string(), "ENV=" + script.string()},
                bash.string());
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_EQ(hostile.status, 0) << hostile.output;
    EXPECT_EQ(testing::slurp(destination),
              "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
}

} // namespace
} // namespace sonifix
