#include "ScratchFolder.h"
#include "platform/posix/PosixProcessRunner.h"
#include "restart/PasswordFreeRule.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonifix {
namespace {

namespace fs = std::filesystem;
using testing::slurp;

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
