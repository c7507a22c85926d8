#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
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

namespace sonifix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (fs::temp_directory_path() / "sonifix-test-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~ScratchDirectory() { fs::remove_all(path); }
    fs::path path;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PosixFileSystem, AtomicWriteReplacesWholeAndLeavesNoScratchFile) {
    ScratchDirectory scratch;
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
    ScratchDirectory scratch;
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
