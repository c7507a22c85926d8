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
    EXPECT_EQ(CoreAudioRestarter::adminScript(R"(echo "a\b" \" 'x' && rm)"
                                              "\n"),
              R"(do shell script "echo \"a\\b\" \\\" 'x' && rm)"
              "\n"
              R"(" with administrator privileges)");
}

class RunAsAdminTest : public ::testing::Test {
protected:
    // Runs the command against the given answer and returns what it threw, if anything.
    std::optional<Failure> outcome(AdminScriptResult answer) {
        fake.adminShell.answers.push_back(std::move(answer));
        try {
            engine.runAsAdmin("/bin/rm -f /etc/sudoers.d/sonifix");
        } catch (const Failure& failure) {
            return failure;
        }
        return std::nullopt;
    }
    static AdminScriptResult error(std::optional<std::int64_t> number,
                                   std::optional<std::string> message) {
        return {.made = true, .error = ScriptError{number, message}};
    }

    testing::FakePlatform fake;
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};
};

TEST_F(RunAsAdminTest, MapsTheScriptsErrorInformation) {
    EXPECT_FALSE(outcome({.made = true, .error = std::nullopt}));
    EXPECT_FALSE(outcome({.made = false, .error = std::nullopt})); // nothing ran
    EXPECT_EQ(outcome(error(-128, "User canceled."))->kind(), Failure::Kind::cancelled);
    EXPECT_EQ(outcome(error(-128, std::nullopt))->kind(), Failure::Kind::cancelled);
    const auto withMessage = outcome(error(1, "rm: Operation not permitted"));
    EXPECT_EQ(withMessage->kind(), Failure::Kind::failed);
    EXPECT_STREQ(withMessage->what(), "rm: Operation not permitted");
    EXPECT_STREQ(outcome(error(std::nullopt, std::nullopt))->what(), "The admin command failed.");
    EXPECT_STREQ(outcome(error(-1743, std::nullopt))->what(), "The admin command failed.");
    EXPECT_STREQ(outcome(error(std::nullopt, "Not authorised"))->what(), "Not authorised");
}

TEST_F(RunAsAdminTest, FromAWorkerItRunsOnTheMainThreadAndHandsTheErrorBack) {
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
}

TEST_F(RunAsAdminTest, AWorkerWhoseRequestTheMainQueueDropsIsNotLeftWaiting) {
    std::thread worker(
        [&] { EXPECT_THROW(engine.runAsAdmin("/usr/bin/killall coreaudiod"), std::future_error); });
    // Drop the queued block unrun, as a queue torn down at quit would.
    while (fake.mainQueue.pending() == 0) {
        std::this_thread::yield();
    }
    fake.mainQueue.dropAll();
    worker.join();
    EXPECT_TRUE(fake.adminShell.scripts.empty());
}

} // namespace
} // namespace sonifix
