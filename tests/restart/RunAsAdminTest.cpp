#include "FakePlatform.h"
#include "restart/CoreAudioRestarter.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace sonifix {
namespace {

using Failure = CoreAudioRestarter::Failure;

TEST(AdminScript, EscapesBackslashesFirstThenQuotesAndNothingElse) {
    const auto script = [](const std::string& line) {
        return CoreAudioRestarter::adminScript(line);
    };
    EXPECT_EQ(script("/usr/bin/killall coreaudiod"),
              "do shell script \"/usr/bin/killall coreaudiod\" with administrator privileges");
    EXPECT_EQ(script(R"(echo "hi")"),
              R"(do shell script "echo \"hi\"" with administrator privileges)");
    EXPECT_EQ(script(R"(a\b)"), R"(do shell script "a\\b" with administrator privileges)");
    EXPECT_EQ(script(R"(\")"), R"(do shell script "\\\"" with administrator privileges)");
    EXPECT_EQ(script("visudo -cf '/tmp/x' && rm\n"),
              "do shell script \"visudo -cf '/tmp/x' && rm\n\" with administrator privileges");
    EXPECT_EQ(script(""), R"(do shell script "" with administrator privileges)");
}

class RunAsAdminTest : public ::testing::Test {
protected:
    // Runs the command against a scripted answer and returns what it threw, if anything.
    std::optional<Failure> outcome(AdminScriptResult answer) {
        fake.adminShell.answer(std::move(answer));
        try {
            engine.runAsAdmin("/bin/rm -f /etc/sudoers.d/sonifix");
        } catch (const Failure& failure) {
            return failure;
        }
        return std::nullopt;
    }

    testing::FakePlatform fake;
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};
};

TEST_F(RunAsAdminTest, MapsTheScriptsErrorInformation) {
    EXPECT_FALSE(outcome({.made = true, .error = std::nullopt}));
    EXPECT_FALSE(outcome({.made = false, .error = std::nullopt})); // nothing ran

    const auto dismissed = outcome({.error = ScriptError{-128, "User canceled."}});
    ASSERT_TRUE(dismissed);
    EXPECT_EQ(dismissed->kind(), Failure::Kind::cancelled);
    EXPECT_EQ(outcome({.error = ScriptError{-128, std::nullopt}})->kind(),
              Failure::Kind::cancelled);

    const auto withMessage = outcome({.error = ScriptError{1, "rm: Operation not permitted"}});
    EXPECT_EQ(withMessage->kind(), Failure::Kind::failed);
    EXPECT_STREQ(withMessage->what(), "rm: Operation not permitted");

    EXPECT_STREQ(outcome({.error = ScriptError{}})->what(), "The admin command failed.");
    EXPECT_STREQ(outcome({.error = ScriptError{-1743, std::nullopt}})->what(),
                 "The admin command failed.");
    EXPECT_STREQ(outcome({.error = ScriptError{std::nullopt, "Not authorised"}})->what(),
                 "Not authorised");
}

TEST_F(RunAsAdminTest, FromAWorkerItRunsOnTheMainThreadAndHandsTheErrorBack) {
    fake.adminShell.answerDismissed();
    std::optional<Failure::Kind> thrown;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        try {
            engine.runAsAdmin("/usr/bin/killall coreaudiod");
        } catch (const Failure& failure) {
            thrown = failure.kind();
        }
        done = true;
    });
    EXPECT_TRUE(fake.mainQueue.runUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(thrown, Failure::Kind::cancelled);
    EXPECT_EQ(fake.adminShell.lastThread(), std::this_thread::get_id());
}

TEST_F(RunAsAdminTest, AWorkerWhoseRequestTheMainQueueDropsIsNotLeftWaiting) {
    std::atomic<bool> failed = false;
    std::thread worker([&] {
        try {
            engine.runAsAdmin("/usr/bin/killall coreaudiod");
        } catch (const std::future_error&) {
            failed = true;
        }
    });
    // Drop the queued block unrun, as a queue torn down at quit would.
    while (fake.mainQueue.pending() == 0) {
        std::this_thread::yield();
    }
    fake.mainQueue.dropAll();
    worker.join();
    EXPECT_TRUE(failed);
    EXPECT_TRUE(fake.adminShell.scripts().empty());
}

} // namespace
} // namespace sonifix
