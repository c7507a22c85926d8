#include "platform/linux/MprisMediaPlayerHost.h"

#include "PrivateBus.h"

#include <QMetaObject>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A player as MPRIS describes one, answering on its own connection from the players' thread, as
// a real player does from its own process.
class FakePlayer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)

public:
    explicit FakePlayer(QString status) : status(std::move(status)) {}

    QString playbackStatus() const { return status; }
    std::vector<std::pair<std::string, Clock::time_point>> calls() const {
        const std::lock_guard lock(mutex);
        return received;
    }

public Q_SLOTS:
    void Pause() { record("Pause"); }
    void Play() { record("Play"); }

private:
    void record(const std::string& method) {
        const std::lock_guard lock(mutex);
        received.emplace_back(method, Clock::now());
    }

    const QString status;
    mutable std::mutex mutex;
    std::vector<std::pair<std::string, Clock::time_point>> received;
};

class Mpris : public ::testing::Test {
protected:
    // The players go on the thread they answered on, once it has served them.
    void TearDown() override {
        for (auto& player : players) {
            player.release()->deleteLater();
        }
        thread.quit();
        thread.wait();
    }

    // Made before the players' thread starts, so that what they were made with is theirs.
    FakePlayer* serve(const QString& name, const QString& status) {
        auto connection = bus.connect(name);
        auto& player = players.emplace_back(std::make_unique<FakePlayer>(status));
        player->moveToThread(&thread);
        EXPECT_TRUE(connection.registerObject(
            QStringLiteral("/org/mpris/MediaPlayer2"), player.get(),
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        EXPECT_TRUE(connection.registerService(name));
        return player.get();
    }

    testing::PrivateBus bus;
    QThread thread;
    std::vector<std::unique_ptr<FakePlayer>> players;
};

TEST_F(Mpris, StatesAreReadOfSeveralInstancesOnlyThePlayingOnesAreNudgedAndAHungOneIsLeftOut) {
    serve("org.mpris.MediaPlayer2.elisa", "Paused");
    serve("org.mpris.MediaPlayer2.spotifyd", "Playing"); // another program, not Spotify
    auto* first = serve("org.mpris.MediaPlayer2.vlc.instance100", "Paused");
    auto* second = serve("org.mpris.MediaPlayer2.vlc.instance200", "Playing");
    thread.start();
    MprisMediaPlayerHost host(bus.connect("app"));

    EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.elisa", "Elisa"}, ""), "paused");
    EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.spotify", "Spotify"}, ""), std::nullopt);

    // The player is given time to let go of its stream between the two.
    const MediaPlayer vlc{"org.mpris.MediaPlayer2.vlc", "VLC"};
    EXPECT_EQ(host.playerState(vlc, ""), "playing");
    host.resume(vlc, "");
    EXPECT_TRUE(first->calls().empty());
    const auto calls = second->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].first, "Pause");
    EXPECT_EQ(calls[1].first, "Play");
    EXPECT_GE(calls[1].second - calls[0].second, 300ms);

    // The players' thread is stuck for longer than the host waits: a hung player costs about a
    // second and is left out.
    QMetaObject::invokeMethod(first, [] { QThread::sleep(2); });
    const auto started = Clock::now();
    EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.elisa", "Elisa"}, ""), std::nullopt);
    EXPECT_LT(Clock::now() - started, 2500ms);
}

} // namespace
} // namespace sonifix

#include "MprisMediaPlayerHostTest.moc"
