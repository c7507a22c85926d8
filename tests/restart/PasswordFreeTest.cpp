#include "FakePlatform.h"
#include "ScratchFolder.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "restart/CoreAudioRestarter.h"
#include "restart/PasswordFreeRule.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sonifix {
namespace {

using Failure = CoreAudioRestarter::Failure;

class PasswordFreeTest : public ::testing::Test {
protected:
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

TEST_F(PasswordFreeTest, OneRootCommandCarriesTheRuleItselfAndNoPathOfTheUsers) {
    EXPECT_FALSE(install());
    EXPECT_EQ(
        fake.adminShell.scripts(),
        std::vector<std::string>{
            R"(do shell script "umask 077; t=$(/usr/bin/mktemp /etc/sudoers.d/sonifix.XXXXXX) )"
            R"(|| exit; printf '%s\\n' 'studio ALL=(root) NOPASSWD: /usr/bin/killall )"
            R"(coreaudiod' > \"$t\" && /usr/sbin/visudo -cf \"$t\" && /usr/bin/install -o root )"
            R"(-g wheel -m 0440 \"$t\" /etc/sudoers.d/sonifix; s=$?; /bin/rm -f \"$t\"; )"
            R"(exit $s" with administrator privileges)"});
    EXPECT_TRUE(fake.files.written().empty());
}

TEST_F(PasswordFreeTest, RefusesUnsafeUserNamesBeforeAskingForThePassword) {
    for (const std::string name : {"john smith", "me@home", "jos\xC3\xA9", "", "a'b", "x\n"}) {
        fake.user.name = name;
        const auto failure = install();
        ASSERT_TRUE(failure) << name;
        EXPECT_EQ(failure->kind(), Failure::Kind::failed);
        EXPECT_EQ(std::string(failure->what()), "Unexpected user name \"" + name + "\".");
    }
    EXPECT_TRUE(fake.adminShell.scripts().empty());

    fake.user.name = "first.last_name-2";
    EXPECT_FALSE(install());
    EXPECT_EQ(fake.adminShell.scripts().size(), 1u);
}

TEST_F(PasswordFreeTest, ThePromptsOutcomePassesThrough) {
    fake.adminShell.answerDismissed();
    EXPECT_EQ(install()->kind(), Failure::Kind::cancelled);

    fake.adminShell.answerFailed("visudo: syntax error");
    const auto failure = install();
    EXPECT_EQ(failure->kind(), Failure::Kind::failed);
    EXPECT_STREQ(failure->what(), "visudo: syntax error");
}

namespace fs = std::filesystem;
using testing::ScratchFolder;
using testing::slurp;

constexpr std::string_view anyoneIsRoot = "ALL ALL=(ALL) NOPASSWD: ALL\n";

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs command lines for real as root, the way the administrator prompt does, but installing
// into a folder of the test's own (group root: Debian has no wheel) instead of /etc/sudoers.d.
class RootCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "installing a file owned by root needs root";
        }
    }

    // The exit status of `commandLine` under /bin/sh, with the user's temporary folder as TMPDIR.
    int runAsRoot(const std::string& commandLine) {
        return PosixProcessRunner()
            .run("/usr/bin/env",
                 {"TMPDIR=" + userFolder.path.string(), "/bin/sh", "-c", commandLine})
            .status;
    }

    int install(std::string_view userName) {
        return runAsRoot(PasswordFreeRule::installCommandLine(
            userName, "/usr/bin/killall coreaudiod", destination.string(), "root"));
    }

    ScratchFolder rootFolder;
    ScratchFolder userFolder;
    const fs::path destination = rootFolder.path / "sonifix";
};

TEST_F(RootCommandTest, InstallsExactlyTheRuleForRootAndItsGroupToRead) {
    ASSERT_EQ(install("studio"), 0);
    EXPECT_EQ(slurp(destination), "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
    struct stat info {};
    ASSERT_EQ(::stat(destination.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0440u);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_gid, 0u);
    EXPECT_EQ(PosixProcessRunner().run("/usr/sbin/visudo", {"-cf", destination.string()}).status,
              0);

    // Again over it, for another user: still one file of one line.
    ASSERT_EQ(install("first.last_name-2"), 0);
    EXPECT_EQ(slurp(destination),
              "first.last_name-2 ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
    EXPECT_EQ(namesIn(rootFolder.path), std::vector<std::string>{"sonifix"});
}

TEST_F(RootCommandTest, ARuleVisudoRejectsInstallsNothingAndLeavesNoTemporaryFile) {
    // The app never builds this rule: no acceptable user name holds a parenthesis.
    EXPECT_NE(install("no(good"), 0);
    EXPECT_TRUE(namesIn(rootFolder.path).empty());

    ASSERT_EQ(install("studio"), 0);
    EXPECT_NE(install("no(good"), 0);
    EXPECT_EQ(slurp(destination), "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
    EXPECT_EQ(namesIn(rootFolder.path), std::vector<std::string>{"sonifix"});
}

// The user's temporary folder, on disk.
class UserFolderFiles final : public FileSystem {
public:
    explicit UserFolderFiles(fs::path folder) : folder(std::move(folder)) {}
    bool exists(const std::string& path) override { return files.exists(path); }
    std::string temporaryDirectory() override { return folder.string(); }
    std::optional<std::string> writeAtomically(const std::string& path,
                                               const std::string& content) override {
        return files.writeAtomically(path, content);
    }
    bool remove(const std::string& path) override { return files.remove(path); }

private:
    fs::path folder;
    PosixFileSystem files;
};

// The administrator prompt with a program of the user's at work while it is on screen: it
// rewrites every file in the user's temporary folder, and plants more, with a rule that makes
// anyone root. Then the command runs as root, aimed at the test's folder.
class PromptUnderAttack final : public AdminShell {
public:
    PromptUnderAttack(fs::path userFolder, std::function<int(const std::string&)> runAsRoot,
                      std::string destination)
        : userFolder(std::move(userFolder)), runAsRoot(std::move(runAsRoot)),
          destination(std::move(destination)) {}

    AdminScriptResult run(const std::string& script) override {
        for (const auto& name : namesIn(userFolder)) {
            std::ofstream(userFolder / name, std::ios::trunc) << anyoneIsRoot;
        }
        for (const auto* name : {"sonifix", "sonifix.AAAAAA", "tmp.AAAAAAAAAA",
                                 "sonifix-00000000-0000-4000-8000-000000000002"}) {
            std::ofstream(userFolder / name) << anyoneIsRoot;
        }
        if (!script.starts_with(prefix) || !script.ends_with(suffix)) {
            ADD_FAILURE() << "not a root shell command: " << script;
            return {.made = false};
        }
        if (const int status = runAsRoot(commandIn(script)); status != 0) {
            return {.error = ScriptError{.number = status, .message = "exit status"}};
        }
        return {};
    }

private:
    static constexpr std::string_view prefix = "do shell script \"";
    static constexpr std::string_view suffix = "\" with administrator privileges";

    // The shell command inside `do shell script "..."`, unescaped, with the installed file's
    // place and group swapped for the test's.
    std::string commandIn(const std::string& script) const {
        const std::string_view quoted(script.data() + prefix.size(),
                                      script.size() - prefix.size() - suffix.size());
        std::string command;
        for (std::size_t i = 0; i < quoted.size(); ++i) {
            if (quoted[i] == '\\') {
                ++i;
            }
            command += quoted[i];
        }
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"/etc/sudoers.d/sonifix", destination},
              std::pair<std::string, std::string>{"-g wheel", "-g root"}}) {
            for (auto at = command.find(from); at != std::string::npos;
                 at = command.find(from, at + to.size())) {
                command.replace(at, from.size(), to);
            }
        }
        return command;
    }

    fs::path userFolder;
    std::function<int(const std::string&)> runAsRoot;
    std::string destination;
};

TEST_F(RootCommandTest, NothingInTheUsersTemporaryFolderReachesTheInstalledRule) {
    UserFolderFiles files(userFolder.path);
    PromptUnderAttack prompt(
        userFolder.path, [this](const std::string& line) { return runAsRoot(line); },
        destination.string());
    testing::FakePlatform fake({.adminShell = &prompt, .files = &files});
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};

    engine.installPasswordFree();
    EXPECT_EQ(slurp(destination), "studio ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod\n");
    EXPECT_EQ(namesIn(rootFolder.path), std::vector<std::string>{"sonifix"});
}

} // namespace
} // namespace sonifix
