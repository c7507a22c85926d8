#include "platform/linux/MprisMediaPlayerHost.h"

#include "PrivateBus.h"
#include "media/MediaPlayers.h"

#include <QDBusAbstractAdaptor>
#include <QMetaObject>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A player as MPRIS describes one, answering on its own thread and its own connection as a
// real player does from its own process.
class FakePlayer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)

public:
    explicit FakePlayer(QString status) : status(std::move(status)) {}

    QString playbackStatus() const {
        std::lock_guard lock(mutex);
        return status;
    }
    std::vector<std::string> methods() const {
        std::lock_guard lock(mutex);
        return names;
    }
    std::vector<Clock::time_point> times() const {
        std::lock_guard lock(mutex);
        return when;
    }

public Q_SLOTS:
    void Pause() { record("Pause"); }
    void Play() { record("Play"); }

private:
    void record(const std::string& method) {
        std::lock_guard lock(mutex);
        names.push_back(method);
        when.push_back(Clock::now());
    }

    mutable std::mutex mutex;
    QString status;
    std::vector<std::string> names;
    std::vector<Clock::time_point> when;
};

// A player whose status is a number, as a broken one might answer.
class NumberPlayer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(int PlaybackStatus READ playbackStatus)

public:
    int playbackStatus() const { return 1; }
};

class Mpris : public ::testing::Test {
protected:
    // The players' thread starts once they are made, so that what they were made with is
    // theirs; they go on it too, as they were used there.
    void TearDown() override {
        for (auto& player : players) {
            player.release()->deleteLater();
        }
        thread.quit();
        thread.wait();
    }

    // Serves `player` under the bus name, from the players' thread.
    template <typename Player> Player* serve(const QString& name, std::unique_ptr<Player> player) {
        auto connection = bus.connect(name);
        player->moveToThread(&thread);
        EXPECT_TRUE(connection.registerObject(
            QStringLiteral("/org/mpris/MediaPlayer2"), player.get(),
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        EXPECT_TRUE(connection.registerService(name));
        players.push_back(std::move(player));
        return static_cast<Player*>(players.back().get());
    }
    FakePlayer* serve(const QString& name, const QString& status) {
        return serve(name, std::make_unique<FakePlayer>(status));
    }

    testing::PrivateBus bus;
    QThread thread;
    std::vector<std::unique_ptr<QObject>> players;
};

// Whatever their names, from a worker thread, as the app asks them.
TEST_F(Mpris, APlayingPlayerIsFoundAndNudgedPauseThenPlay) {
    auto* spotify = serve("org.mpris.MediaPlayer2.shortwave", "Playing");
    auto* elisa = serve("org.mpris.MediaPlayer2.elisa", "Paused");
    thread.start();
    MprisMediaPlayerHost host(bus.connect("app"));
    ASSERT_TRUE(host.worksOffMainThread());
    MediaPlayers players(host, MprisMediaPlayerHost::everyPlayer());

    std::thread([&] {
        const auto playing = players.currentlyPlaying();
        EXPECT_EQ(playing.size(), 1u);
        players.kick(playing);
    }).join();

    EXPECT_EQ(spotify->methods(), (std::vector<std::string>{"Pause", "Play"}));
    const auto times = spotify->times();
    ASSERT_EQ(times.size(), 2u);
    EXPECT_GE(times[1] - times[0], 300ms);
    EXPECT_TRUE(elisa->methods().empty());
}

TEST_F(Mpris, StatesAreTranslatedAndOfSeveralInstancesOnlyThePlayingOnesAreNudged) {
    serve("org.mpris.MediaPlayer2.mpv", "Stopped");
    serve("org.mpris.MediaPlayer2.elisa", "Paused");
    serve("org.mpris.MediaPlayer2.spotifyd", "Playing"); // another program, not Spotify
    serve("org.mpris.MediaPlayer2.audacious", std::make_unique<NumberPlayer>());
    auto* first = serve("org.mpris.MediaPlayer2.vlc.instance100", "Paused");
    auto* second = serve("org.mpris.MediaPlayer2.vlc.instance200", "Playing");
    thread.start();
    MprisMediaPlayerHost host(bus.connect("app"));

    const MediaPlayer spotify{"org.mpris.MediaPlayer2.spotify", "Spotify"};
    const MediaPlayer audacious{"org.mpris.MediaPlayer2.audacious", "Audacious"};
    EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.mpv", "mpv"}, ""), "stopped");
    EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.elisa", "Elisa"}, ""), "paused");
    EXPECT_FALSE(host.isRunning(spotify));
    EXPECT_EQ(host.playerState(spotify, ""), std::nullopt);
    EXPECT_TRUE(host.isRunning(audacious));
    EXPECT_EQ(host.playerState(audacious, ""), std::nullopt);
    EXPECT_FALSE(host.isRunning({"", "Music"}));

    const MediaPlayer vlc{"org.mpris.MediaPlayer2.vlc", "VLC"};
    EXPECT_TRUE(host.isRunning(vlc));
    EXPECT_EQ(host.playerState(vlc, ""), "playing");
    host.resume(vlc, "");
    EXPECT_TRUE(first->methods().empty());
    EXPECT_EQ(second->methods(), (std::vector<std::string>{"Pause", "Play"}));
}

TEST_F(Mpris, AHungPlayerCostsAboutASecondAndIsLeftOut) {
    serve("org.mpris.MediaPlayer2.rhythmbox", "Playing");
    // The player's thread is stuck for longer than the host waits.
    thread.start();
    QMetaObject::invokeMethod(players.back().get(), [] { QThread::sleep(2); });
    MprisMediaPlayerHost host(bus.connect("app"));

    const auto started = Clock::now();
    EXPECT_EQ(host.playerState({"org.mpris.MediaPlayer2.rhythmbox", "Rhythmbox"}, ""),
              std::nullopt);
    EXPECT_LT(Clock::now() - started, 2500ms);
}

} // namespace
} // namespace sonifix

#include "MprisMediaPlayerHostTest.moc"
