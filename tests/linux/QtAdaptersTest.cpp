#include "EventLoop.h"
#include "PrivateDesktop.h"
#include "QtAlerts.h"
#include "QtMainQueue.h"
#include "QtMenu.h"
#include "QtSettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace sonifix {
namespace {

using namespace std::chrono_literals;

// A damaged file loses nothing that can still be read, and what is written to it comes back.
TEST(QtSettingsStore, KeepsTypesAndReadsAnythingElseAsMissing) {
    QTemporaryDir folder;
    const auto path = folder.filePath(QStringLiteral("Sonifix.conf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x01\xFF garbage ]]] no equals sign\n[General]\nrestartCount=3\n"
               "hotKeyEnabled=maybe\nlastRestart=yesterday\n=\n\xC3\x28=1\n"
               "farFuture=4048-05-01T09:30:00.000Z\nfarPast=1400-01-01T00:00:00.000Z\n");
    file.close();
    {
        QtSettingsStore store(path);
        store.registerDefaults({{"hotKeyEnabled", true}, {"restartOnWake", true}});
        EXPECT_EQ(store.integerForKey("restartCount"), 3);
        EXPECT_FALSE(store.boolForKey("hotKeyEnabled")) << "a stored value wins, even a bad one";
        EXPECT_TRUE(store.boolForKey("restartOnWake"));
        EXPECT_FALSE(store.boolForKey("welcomed"));
        EXPECT_EQ(store.dateForKey("lastRestart"), std::nullopt);
        // Valid dates, but beyond what the app's clock can count.
        EXPECT_EQ(store.dateForKey("farFuture"), std::nullopt);
        EXPECT_EQ(store.dateForKey("farPast"), std::nullopt);
        store.setBool("welcomed", true);
        store.setInteger("restartCount", 9007199254740993);
        const SettingsStore::Date when{std::chrono::milliseconds(1796547600123)};
        store.setDate("lastRestart", when);
        EXPECT_EQ(store.dateForKey("lastRestart"), when);
    }
    QtSettingsStore reopened(path);
    EXPECT_TRUE(reopened.boolForKey("welcomed"));
    EXPECT_EQ(reopened.integerForKey("restartCount"), 9007199254740993);
    EXPECT_TRUE(reopened.dateForKey("lastRestart"));
    EXPECT_EQ(reopened.dateForKey("restartCount"), std::nullopt);
    EXPECT_EQ(reopened.integerForKey("lastRestart"), 0);
    EXPECT_FALSE(reopened.boolForKey("restartCount"));
}

// The rest of the menu is read on the real app in the tray tests. A device's name may hold an
// '&', which Qt would otherwise take for a mnemonic's mark and not show.
TEST(QtMenu, ShowsAnAmpersandAsWritten) {
    QtMenu menu;
    menu.replaceItems({{.title = "Output: Speakers & Headphones · 48 kHz", .enabled = false}});
    EXPECT_EQ(menu.widget()->actions().at(0)->text(),
              QStringLiteral("Output: Speakers && Headphones · 48 kHz"));
}

TEST(QtMainQueue, RunsBlocksFromAnyThreadOnTheMainThreadInTime) {
    QtMainQueue queue;
    EXPECT_TRUE(queue.isMainThread());
    std::atomic<bool> ranOnMain = false;
    std::atomic<bool> fromWorkerIsMain = true;
    std::thread worker([&] {
        fromWorkerIsMain = queue.isMainThread();
        queue.post([&] { ranOnMain = queue.isMainThread(); });
    });
    worker.join();
    EXPECT_FALSE(fromWorkerIsMain);

    QElapsedTimer clock;
    clock.start();
    qint64 delayedAt = -1;
    queue.postAfter(120ms, [&] { delayedAt = clock.elapsed(); });
    testing::pumpUntil([&] { return delayedAt >= 0; }, 5s);
    EXPECT_TRUE(ranOnMain);
    EXPECT_GE(delayedAt, 120);
}

// Answers the next modal dialog as a person would. A dialog the answer leaves open (a failed
// check returns early) is closed, so that the test goes on rather than waiting forever.
void answerNextDialog(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (auto* dialog = QApplication::activeModalWidget()) {
            poll->deleteLater();
            poll->stop();
            answer(dialog);
            if (dialog->isVisible()) {
                dialog->close();
            }
        }
    });
    poll->start(20);
}

QPushButton* button(QWidget* dialog, const QString& title) {
    for (auto* candidate : dialog->findChildren<QPushButton*>()) {
        if (candidate->text() == title) {
            return candidate;
        }
    }
    return nullptr;
}

TEST(QtAlerts, ButtonsAnswerInOrderAndTheFieldHasTheFocus) {
    QtAlerts alerts;
    const AlertRequest signup{.messageText = "Get email updates from Northfold",
                              .informativeText = "About once a month.",
                              .buttons = {"Subscribe", "Cancel"},
                              .emailField = EmailField{"you@example.com"}};
    answerNextDialog([](QWidget* dialog) {
        auto* field = dialog->findChild<QLineEdit*>();
        ASSERT_TRUE(field);
        EXPECT_EQ(field->placeholderText(), QStringLiteral("you@example.com"));
        EXPECT_EQ(dialog->focusWidget(), field);
        EXPECT_TRUE(button(dialog, QStringLiteral("Subscribe"))->isDefault());
        field->setText(QStringLiteral(" you@example.com "));
        button(dialog, QStringLiteral("Subscribe"))->click();
    });
    const auto subscribed = alerts.runModal(signup);
    EXPECT_EQ(subscribed.response, 1000);
    EXPECT_EQ(subscribed.fieldText, " you@example.com ");

    answerNextDialog([](QWidget* dialog) { button(dialog, QStringLiteral("Cancel"))->click(); });
    EXPECT_EQ(alerts.runModal(signup).response, 1001);

    answerNextDialog([](QWidget* dialog) { dialog->close(); });
    EXPECT_EQ(alerts.runModal(signup).response, 1001) << "closing the window cancels";
}

} // namespace
} // namespace sonifix

int main(int argc, char** argv) {
    // No display needed: the widgets are drawn off screen.
    sonifix::testing::PrivateDesktop::enter(argc, argv, {.display = false});
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
