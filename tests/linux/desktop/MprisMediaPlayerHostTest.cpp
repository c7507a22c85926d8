#include "platform/linux/MprisMediaPlayerHost.h"

#include "EventLoop.h"
#include "PrivateBus.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A player as MPRIS describes one, on a connection of its own, served by the main thread's event
// loop: it answers while the loop turns and hangs while it does not.
class FakePlayer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)

public:
    FakePlayer(testing::PrivateBus& bus, const QString& name, QString status)
        : status(std::move(status)) {
        auto connection = bus.connect(name);
        connection.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), this,
                                  QDBusConnection::ExportAllSlots |
                                      QDBusConnection::ExportAllProperties);
        connection.registerService(name);
    }

    QString playbackStatus() const { return status; }
    std::vector<std::pair<std::string, Clock::time_point>> calls;

public Q_SLOTS:
    void Pause() { calls.emplace_back("Pause", Clock::now()); }
    void Play() { calls.emplace_back("Play", Clock::now()); }

private:
    const QString status;
};

// The host is asked from a worker, as the app asks it, while the main thread serves the players.
template <typename Work> void offTheMainThread(Work work) {
    std::atomic<bool> done = false;
    std::thread worker([&] {
        work();
        done = true;
    });
    testing::pumpUntil([&] { return done.load(); }, 10s);
    worker.join();
}

TEST(Mpris, StatesAreReadOfSeveralInstancesOnlyThePlayingOnesAreNudgedAndAHungOneIsLeftOut) {
    testing::PrivateBus bus;
    FakePlayer elisa(bus, "org.mpris.MediaPlayer2.elisa", "Paused");
    FakePlayer spotifyd(bus, "org.mpris.MediaPlayer2.spotifyd", "Playing"); // not Spotify
    FakePlayer first(bus, "org.mpris.MediaPlayer2.vlc.instance100", "Paused");
    FakePlayer second(bus, "org.mpris.MediaPlayer2.vlc.instance200", "Playing");
    MprisMediaPlayerHost host(bus.connect("app"));

    const MediaPlayer vlc{"org.mpris.MediaPlayer2.vlc", "VLC"};
    offTheMainThread([&] {
        EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.elisa", "Elisa"}, ""), "paused");
        EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.spotify", "Spotify"}, ""),
                  std::nullopt);
        EXPECT_EQ(host.playerState(vlc, ""), "playing");
        host.resume(vlc, "");
    });
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

} // namespace
} // namespace sonifix

#include "MprisMediaPlayerHostTest.moc"
