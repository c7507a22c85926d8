#include "FakePlatform.h"
#include "ScratchFolder.h"
#include "platform/posix/PosixProcessRunner.h"
#include "restart/CoreAudioRestarter.h"
#include "restart/PasswordFreeRule.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonifix {
namespace {

using Failure = CoreAudioRestarter::Failure;
namespace fs = std::filesystem;
using testing::slurp;

TEST(PasswordFreeTest, OneRootCommandCarriesTheRuleForASafeUserNameAndThePromptsOutcome) {
    testing::FakePlatform fake;
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};
    const auto install = [&]() -> std::optional<Failure> {
        try {
            engine.installPasswordFree();
        } catch (const Failure& failure) {
            return failure;
        }
        return std::nullopt;
    };
    for (const std::string name : {"john smith", "me@home", "jos\xC3\xA9", "", "a'b", "x\n"}) {
        fake.user.name = name;
        EXPECT_EQ(std::string(install().value_or(Failure::failed("")).what()),
                  "Unexpected user name \"" + name + "\".");
    }
    EXPECT_TRUE(fake.adminShell.scripts.empty()) << "refused before the password is asked";

    fake.user.name = "studio";
    EXPECT_FALSE(install());
    EXPECT_EQ(
        fake.adminShell.scripts,
        std::vector<std::string>{
            R"(do shell script "umask 077; t=$(/usr/bin/mktemp /etc/sudoers.d/sonifix.XXXXXX) )"
            R"(|| exit; printf '%s\\n' 'studio ALL=(root) NOPASSWD: /usr/bin/killall )"
            R"(coreaudiod' > \"$t\" && /usr/sbin/visudo -cf \"$t\" && /usr/bin/install -o root )"
            R"(-g wheel -m 0440 \"$t\" /etc/sudoers.d/sonifix; s=$?; /bin/rm -f \"$t\"; )"
            R"(exit $s" with administrator privileges)"});
    fake.user.name = "first.last_name-2";
    fake.adminShell.answerDismissed();
    EXPECT_EQ(install()->kind(), Failure::Kind::cancelled);
    fake.adminShell.answerFailed("visudo: syntax error");
    EXPECT_STREQ(install()->what(), "visudo: syntax error");
}

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

    int install(std::string_view userName) {
        for (const auto* name : {"sonifix", "sonifix.AAAAAA", "tmp.AAAAAAAAAA"}) {
            std::ofstream(userFolder.path / name) << "ALL ALL=(ALL) NOPASSWD: ALL\n";
        }
        const auto command = PasswordFreeRule::installCommandLine(
            userName, "/usr/bin/killall coreaudiod", destination.string(), "root");
        return PosixProcessRunner()
            .run("/usr/bin/env", {"TMPDIR=" + userFolder.path.string(), "/bin/sh", "-c", command})
            .status;
    }
    std::vector<std::string> installed() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(rootFolder.path)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testing::ScratchFolder rootFolder;
    testing::ScratchFolder userFolder;
    const fs::path destination = rootFolder.path / "sonifix";
};

TEST_F(RootCommandTest, InstallsExactlyTheRuleForRootToReadAndNothingElse) {
    // The app never builds this rule: no acceptable user name holds a parenthesis.
    EXPECT_NE(install("no(good"), 0);
    EXPECT_TRUE(installed().empty());

    ASSERT_EQ(install("first.last_name-2"), 0);
    ASSERT_EQ(install("studio"), 0) << "again over it, for another user";
    EXPECT_NE(install("no(good"), 0);
    EXPECT_EQ(slurp(destination), "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
    EXPECT_EQ(installed(), std::vector<std::string>{"sonifix"});
    struct stat info {};
    ASSERT_EQ(::stat(destination.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0440u);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_gid, 0u);
    EXPECT_EQ(PosixProcessRunner().run("/usr/sbin/visudo", {"-cf", destination.string()}).status,
              0);
}

} // namespace
} // namespace sonifix
