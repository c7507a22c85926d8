#include "FakePlatform.h"
#include "platform/posix/PosixProcessRunner.h"
#include "restart/CoreAudioRestarter.h"

#include <gtest/gtest.h>

namespace sonifix {
namespace {

// Real children through the real runner, seen as the restart engine sees them.
class RunTest : public ::testing::Test {
protected:
    ProcessResult shell(const std::string& script) { return engine.run("/bin/sh", {"-c", script}); }

    PosixProcessRunner runner;
    testing::FakePlatform fake{{.processes = &runner}};
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};
};

TEST_F(RunTest, StandardOutputExactlyAsUtf8WithTheStatusAndNoStandardError) {
    const auto noNewline = shell("printf '412\\n97\\nno line feed'; echo oops >&2; exit 3");
    EXPECT_EQ(noNewline.output, "412\n97\nno line feed");
    EXPECT_EQ(noNewline.status, 3);
    EXPECT_EQ(engine.run("/bin/echo", {"a b", "c"}).output, "a b c\n");
    // A lone continuation byte, a truncated sequence, an overlong form, a surrogate.
    EXPECT_EQ(shell("printf 'a\\200b\\342\\202c\\300\\257d\\355\\240\\200e \\303\\251\\n'").output,
              "a\uFFFDb\uFFFDc\uFFFD\uFFFDd\uFFFD\uFFFD\uFFFDe é\n");

    // Far more than a pipe holds, on both streams.
    const auto chatty = shell("head -c 2000000 /dev/zero | tr '\\0' e >&2; "
                              "head -c 300000 /dev/zero | tr '\\0' o; echo; exit 0");
    EXPECT_EQ(chatty.status, 0);
    EXPECT_EQ(chatty.output.size(), 300001u);
    EXPECT_EQ(chatty.output.find('e'), std::string::npos);
}

TEST_F(RunTest, AProgramThatCannotStartGivesMinusOneAndNothing) {
    const auto missing = engine.run("/nonexistent/pgrep", {"-x", "coreaudiod"});
    EXPECT_EQ(missing.status, -1);
    EXPECT_EQ(missing.output, "");
    EXPECT_EQ(engine.run("/etc/hostname", {}).status, -1); // not executable
}

} // namespace
} // namespace sonifix
