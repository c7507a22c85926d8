#include "AppDelegate.h"
#include "BackgroundTask.h"
#include "Foreground.h"
#include "Settings.h"
#include "restart/PasswordFreeRule.h"
#include "support/ErrorText.h"

namespace sonifix {

namespace {

struct Installed {};

} // namespace

void AppDelegate::offerPasswordFreeOnce() {
    if (defaults.boolForKey(settings::offeredPasswordFree)) {
        return;
    }
    if (platform.files.hasContent(std::string(PasswordFreeRule::path))) {
        return;
    }
    // Marked before the question: the offer counts as made however it ends.
    defaults.setBool(settings::offeredPasswordFree, true);
    Foreground::showAlert(
        platform.workspace, platform.alerts,
        {
            .messageText = "Skip the password next time?",
            .informativeText =
                "Sonifix can add a sudoers rule that lets your account run only "
                "“killall coreaudiod” without a password. You’ll enter your password "
                "once to set it up.",
            .buttons = {"Set Up", "Not Now"},
        },
        [weak = weak_from_this()](const AlertResult& answer) {
            const auto self = weak.lock();
            if (self && answer.response == Alerts::firstButton) {
                self->installPasswordFree();
            }
        });
}

void AppDelegate::installPasswordFree() {
    auto self = shared_from_this();
    runInBackground<Installed>(
        platform.background, platform.mainQueue,
        [self](StopToken) {
            self->restarter.installPasswordFree();
            return Installed{};
        },
        // The next opening of the menu shows the rule as installed; nothing else to say.
        [](Installed) {},
        [self](std::exception_ptr error) {
            self->reportUnlessCancelled(error, "Couldn’t set up password-free restart");
        });
}

void AppDelegate::removePasswordFree() {
    // Always behind the administrator prompt, which runs on the main thread: a later turn of it.
    platform.mainQueue.post([self = shared_from_this()] {
        try {
            self->restarter.runAsAdmin(std::string(PasswordFreeRule::removeCommandLine));
        } catch (...) {
            self->reportUnlessCancelled(std::current_exception(),
                                        "Couldn’t remove the sudoers rule");
        }
    });
}

void AppDelegate::reportUnlessCancelled(const std::exception_ptr& error,
                                        const std::string& messageText) {
    try {
        std::rethrow_exception(error);
    } catch (const CoreAudioRestarter::Failure& failure) {
        if (failure.kind() == CoreAudioRestarter::Failure::Kind::cancelled) {
            return;
        }
    } catch (...) {
    }
    showFailure(messageText, errorText(error));
}

} // namespace sonifix
