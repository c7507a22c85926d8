#include "AppDelegate.h"
#include "CommandLine.h"
#include "Foreground.h"
#include "Settings.h"
#include "platform/AudioProperties.h"

#include <string_view>
#include <tuple>

namespace sonifix {

namespace {

constexpr auto alreadyRunningTitle = "Sonifix is already running";

// How a script reads a transport: the common ones by word, any other by its own code.
std::string transportWord(std::uint32_t transport) {
    namespace props = audio_properties;
    switch (transport) {
    case 0:
        return "";
    case props::transportBuiltIn:
        return "builtIn";
    case props::transportBluetooth:
        return "bluetooth";
    case props::transportBluetoothLE:
        return "bluetoothLE";
    case props::transportUSB:
        return "usb";
    case props::transportVirtual:
        return "virtual";
    default: {
        auto code = fourCharText(transport);
        code.erase(code.find_last_not_of(' ') + 1);
        return code;
    }
    }
}

// PipeWire's bridge calls itself "PulseAudio (on PipeWire 1.0.5)" and gives the version of the
// protocol it speaks as its own: the server underneath is the one that answers, so its name and
// version are the ones told.
std::optional<std::pair<std::string, std::string>> bridged(std::string_view name) {
    const std::string_view on = " (on ";
    const auto start = name.find(on);
    if (start == std::string_view::npos || !name.ends_with(')')) {
        return std::nullopt;
    }
    const auto inner = name.substr(start + on.size(), name.size() - start - on.size() - 1);
    const auto space = inner.rfind(' ');
    if (space == std::string_view::npos) {
        return std::pair{std::string(inner), std::string()};
    }
    return std::pair{std::string(inner.substr(0, space)), std::string(inner.substr(space + 1))};
}

} // namespace

void AppDelegate::restartAndReport(std::function<void(const RestartResult&)> done) {
    if (restarting) {
        // A restart is under way: its outcome is this request's too.
        if (ending) {
            done(*ending);
        } else {
            waiting.push_back(std::move(done));
        }
        return;
    }
    waiting.push_back(std::move(done));
    restart();
}

AppStatus AppDelegate::status() {
    refreshTexts(); // the server serving now, by its name
    const auto output = devices.defaultDevice(false);
    const auto input = devices.defaultDevice(true);
    const auto scripted = [this](const std::optional<AudioDevice>& device) {
        return device ? std::optional(AppStatus::Device{
                            .name = devices.uid(device->id).value_or(""),
                            .description = device->name,
                            .rateHz = device->sampleRate,
                            .transport = transportWord(device->transport),
                        })
                      : std::nullopt;
    };
    AppStatus status{
        .server = texts.serverName,
        .pid = restarter.currentPID(),
        .output = output ? deviceText(*output) : "",
        .input = input ? deviceText(*input) : "",
        .lastRestart = defaults.dateForKey(settings::lastRestart),
        .lastRestartText = lastRestartText(),
        .restartCount = defaults.integerForKey(settings::restartCount),
        .answering = devices.systemAnswers(),
        .serverName = texts.serverName,
        .serverVersion = devices.systemVersion().value_or(""),
        .outputDevice = scripted(output),
        .inputDevice = scripted(input),
        .restarting = restarting,
    };
    if (const auto underneath = bridged(devices.systemName().value_or(""))) {
        std::tie(status.serverName, status.serverVersion) = *underneath;
    }
    return status;
}

bool AppDelegate::launchedAgain() {
    if (oneCommand) {
        return false;
    }
    // After the caller has had its answer: the notice waits for the user.
    platform.mainQueue.post([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            Foreground::runAlert(
                self->platform.workspace, self->platform.alerts,
                {.messageText = alreadyRunningTitle,
                 .informativeText = self->tray == Tray::shown
                                        ? self->texts.alreadyRunningText
                                        : self->texts.alreadyRunningWithoutTrayText + "\n\n" +
                                              self->restartWithoutTray(),
                 .showsAppIcon = true});
        }
    });
    return true;
}

void AppDelegate::observeRestarts(std::function<void()> restarted) {
    restartObserver = std::move(restarted);
}

void AppDelegate::serveOneCommand() {
    oneCommand = true;
    registerSettingDefaults();
}

void AppDelegate::openUrl(const std::string& url) {
    if (CommandLine::parseUrl(url) != CommandLine::Command::restart || !startsLinkBurst()) {
        return; // opening the app is all any other link can do, and it is open
    }
    if (!launched) {
        restartWhenLaunched = true;
        return;
    }
    restartAfterThisEvent();
}

} // namespace sonifix
