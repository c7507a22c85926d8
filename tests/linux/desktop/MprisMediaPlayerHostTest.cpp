#include "platform/linux/MprisMediaPlayerHost.h"

#include "EventLoop.h"
#include "FakePlayer.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::FakePlayer;

TEST(Mpris, StatesAreReadOfSeveralInstancesOnlyThePlayingOnesAreNudgedAndAHungOneIsLeftOut) {
    testing::PrivateBus bus;
    FakePlayer elisa(bus, "org.mpris.MediaPlayer2.elisa", "Paused");
    FakePlayer spotifyd(bus, "org.mpris.MediaPlayer2.spotifyd", "Playing"); // not Spotify
    FakePlayer first(bus, "org.mpris.MediaPlayer2.vlc.instance100", "Paused");
    FakePlayer second(bus, "org.mpris.MediaPlayer2.vlc.instance200", "Playing");
    MprisMediaPlayerHost host(bus.connect("app"));

    // Asked from a worker, as the app asks, while the main thread serves the players.
    const MediaPlayer vlc{"org.mpris.MediaPlayer2.vlc", "VLC"};
    std::atomic<bool> asked = false;
    std::thread asking([&] {
        EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.elisa", "Elisa"}, ""), "paused");
        EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.spotify", "Spotify"}, ""),
                  std::nullopt);
        EXPECT_EQ(host.playerState(vlc, ""), "playing");
        host.resume(vlc, "");
        asked = true;
    });
    testing::pumpUntil([&] { return asked.load(); }, 10s);
    asking.join();
    EXPECT_TRUE(first.calls.empty());
    // The player is given time to let go of its stream between the two.
    ASSERT_EQ(second.calls.size(), 2u);
    EXPECT_EQ(second.calls[0].first, "Pause");
    EXPECT_EQ(second.calls[1].first, "Play");
    EXPECT_GE(second.calls[1].second - second.calls[0].second, 300ms);

    // With the main thread held for longer than the host waits, a hung player costs about a
    // second and is left out: the answer comes while it still hangs.
    std::optional<std::string> state = "unasked";
    Clock::duration took{};
    std::thread worker([&] {
        const auto started = Clock::now();
        state = host.playerState({"org.mpris.MediaPlayer2.elisa", "Elisa"}, "");
        took = Clock::now() - started;
    });
    std::this_thread::sleep_for(2s);
    worker.join();
    EXPECT_EQ(state, std::nullopt);
    EXPECT_LT(took, 2s);
}

// A phone's player shown here by KDE Connect or GSConnect, and playerctld's proxy of another
// player, play nothing through this computer's sound server: only the local player is nudged.
TEST(Mpris, RemoteBridgesAndProxiesAreLeftAloneAndOnlyTheLocalPlayerIsNudged) {
    testing::PrivateBus bus;
    FakePlayer kdeConnect(bus, "org.mpris.MediaPlayer2.kdeconnect.mpris_000001", "Playing");
    FakePlayer gsConnect(bus, "org.mpris.MediaPlayer2.phone_spotify", "Playing",
                         "Spotify (Pixel 7 via GSConnect)");
    FakePlayer proxy(bus, "org.mpris.MediaPlayer2.playerctld", "Playing");
    FakePlayer local(bus, "org.mpris.MediaPlayer2.mpv", "Playing");
    MprisMediaPlayerHost host(bus.connect("app"));
    const auto every = MprisMediaPlayerHost::everyPlayer().front();
    std::atomic<bool> done = false;
    std::thread asking([&] {
        EXPECT_EQ(host.playerState(every, ""), "playing");
        host.resume(every, "");
        done = true;
    });
    testing::pumpUntil([&] { return done.load(); }, 10s);
    asking.join();
    EXPECT_EQ(local.calls.size(), 2u);
    for (const auto* remote : {&kdeConnect, &gsConnect, &proxy}) {
        EXPECT_TRUE(remote->calls.empty()) << remote->calls.size() << " calls";
    }
}

} // namespace
} // namespace sonifix
