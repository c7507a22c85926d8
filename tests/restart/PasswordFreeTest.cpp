#include "FakePlatform.h"
#include "platform/posix/PosixProcessRunner.h"
#include "restart/CoreAudioRestarter.h"
#include "restart/PasswordFreeRule.h"
#include "support/PlatformError.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace sonifix {
namespace {

using Failure = CoreAudioRestarter::Failure;

class PasswordFreeTest : public ::testing::Test {
protected:
    std::string installScriptFor(const std::string& temporaryPath) {
        return CoreAudioRestarter::adminScript(PasswordFreeRule::installCommandLine(temporaryPath));
    }

    std::optional<Failure> install() {
        try {
            engine.installPasswordFree();
        } catch (const Failure& failure) {
            return failure;
        }
        return std::nullopt;
    }

    testing::FakePlatform fake;
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};
};

TEST_F(PasswordFreeTest, WritesTheRuleChecksAndInstallsItThenRemovesTheTemporaryFile) {
    fake.files.setTemporaryDirectory("/private/var/folders/q1/T");
    EXPECT_FALSE(install());

    ASSERT_EQ(fake.files.written().size(), 1u);
    const auto temporary = fake.files.written().front();
    EXPECT_EQ(temporary, "/private/var/folders/q1/T/sonifix-00000000-0000-4000-8000-000000000001");
    EXPECT_EQ(fake.files.removed(), std::vector<std::string>{temporary});
    EXPECT_FALSE(fake.files.exists(temporary));

    EXPECT_EQ(PasswordFreeRule::installCommandLine(temporary),
              "/usr/sbin/visudo -cf '" + temporary +
                  "' && /usr/bin/install -o root -g wheel -m 0440 '" + temporary +
                  "' /etc/sudoers.d/sonifix");
    EXPECT_EQ(fake.adminShell.scripts(), std::vector<std::string>{installScriptFor(temporary)});

    // A second installation uses a fresh name.
    EXPECT_FALSE(install());
    EXPECT_NE(fake.files.written().at(1), temporary);
}

TEST_F(PasswordFreeTest, TheRuleIsOneLineNamingTheUserAndTheKillCommand) {
    const auto line = PasswordFreeRule::line("studio", "/usr/bin/killall coreaudiod");
    EXPECT_EQ(line, "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
    EXPECT_EQ(line.size(), 56u);

    fake.user.name = "first.last_name-2";
    EXPECT_FALSE(install());
    EXPECT_EQ(fake.files.content(fake.files.written().front()), std::nullopt); // removed again
}

TEST_F(PasswordFreeTest, RefusesUnsafeUserNamesBeforeWritingAnything) {
    for (const std::string name : {"john smith", "me@home", "jos\xC3\xA9", "", "a'b", "x\n"}) {
        fake.user.name = name;
        const auto failure = install();
        ASSERT_TRUE(failure) << name;
        EXPECT_EQ(failure->kind(), Failure::Kind::failed);
        EXPECT_EQ(std::string(failure->what()), "Unexpected user name \"" + name + "\".");
    }
    EXPECT_TRUE(fake.files.written().empty());
    EXPECT_TRUE(fake.adminShell.scripts().empty());
}

TEST_F(PasswordFreeTest, RefusesATemporaryFolderWhosePathWouldBreakTheQuoting) {
    fake.files.setTemporaryDirectory("/tmp/it's");
    const auto failure = install();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind(), Failure::Kind::failed);
    EXPECT_NE(std::string(failure->what()).find("/tmp/it's"), std::string::npos);
    EXPECT_TRUE(fake.files.written().empty());
    EXPECT_TRUE(fake.adminShell.scripts().empty());
}

TEST_F(PasswordFreeTest, FailuresPassThroughAndTheTemporaryFileIsStillRemoved) {
    fake.adminShell.answerDismissed();
    EXPECT_EQ(install()->kind(), Failure::Kind::cancelled);
    EXPECT_EQ(fake.files.removed(), fake.files.written());

    fake.adminShell.answerFailed("visudo: syntax error");
    EXPECT_STREQ(install()->what(), "visudo: syntax error");
    EXPECT_EQ(fake.files.removed(), fake.files.written());

    fake.files.failWrites("Couldn’t write: disk full");
    try {
        engine.installPasswordFree();
        ADD_FAILURE() << "the write error must reach the caller";
    } catch (const PlatformError& error) {
        EXPECT_STREQ(error.what(), "Couldn’t write: disk full");
    }
    EXPECT_EQ(fake.adminShell.scripts().size(), 2u);
}

// The line we install must be one that sudo itself accepts.
TEST(PasswordFreeRuleOnDisk, VisudoAcceptsTheRuleAndRejectsABrokenOne) {
    const std::string visudo = "/usr/sbin/visudo";
    if (::access(visudo.c_str(), X_OK) != 0) {
        GTEST_SKIP() << visudo << " is not installed (Debian package sudo); the rule is unchecked";
    }
    const auto directory = std::filesystem::temp_directory_path();
    const auto check = [&](const std::string& content) {
        const auto path = directory / ("sonifix-visudo-" + std::to_string(::getpid()));
        std::ofstream(path) << content;
        const auto status = PosixProcessRunner().run(visudo, {"-cf", path.string()}).status;
        std::filesystem::remove(path);
        return status;
    };
    EXPECT_EQ(check(PasswordFreeRule::line("studio", "/usr/bin/killall coreaudiod")), 0);
    EXPECT_EQ(check(PasswordFreeRule::line("first.last_name-2", "/usr/bin/killall coreaudiod")), 0);
    EXPECT_NE(check("studio ALL=(root NOPASSWD /usr/bin/killall\n"), 0);
}

} // namespace
} // namespace sonifix
