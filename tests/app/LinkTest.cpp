#include "AppTest.h"
#include "app/CommandLine.h"

namespace sonifix::testing {
namespace {

TEST(Link, OnlyTheAppsOwnRestartLinkRestarts) {
    using Command = CommandLine::Command;
    for (const auto* link : {"sonifix://restart", "SONIFIX://Restart/", "sonifix:restart"}) {
        EXPECT_EQ(CommandLine::parseUrl(link), Command::restart) << link;
    }
    EXPECT_EQ(CommandLine::parseUrl("sonifix://"), Command::launch);
    // A web page can open any link: nothing else is taken, not even the other commands.
    for (const auto* link : {"sonifix://status", "sonifix://restart?now", "sonifix://restart/x",
                             "https://restart", "sonifixx://restart", "", "sonifix://restar"}) {
        EXPECT_EQ(CommandLine::parseUrl(link), std::nullopt) << link;
    }
}

class LinkTest : public AppTest {};

TEST_F(LinkTest, ARestartLinkRestartsOnceEvenWhenItOpensTheApp) {
    // The system hands over the link that launched the app before the launch has finished.
    daemonWillComeBack();
    delegate->openUrl("sonifix://restart");
    fake.mainQueue.runReady(); // nothing is set up for a restart yet
    EXPECT_FALSE(delegate->isRestarting());
    launch();
    EXPECT_TRUE(delegate->isRestarting());
    finishWork();
    EXPECT_EQ(fake.processes.count(sudo), 1);

    daemonWillComeBack();
    delegate->openUrl("sonifix://restart");
    delegate->openUrl("sonifix://quit");
    fake.mainQueue.runReady();
    finishWork();
    EXPECT_EQ(fake.processes.count(sudo), 2);
    EXPECT_EQ(count(), 2);
}

} // namespace
} // namespace sonifix::testing
