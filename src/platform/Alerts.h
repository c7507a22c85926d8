#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// A single-line field for an e-mail address below the alert's text, which has the keyboard
// focus when the alert opens.
struct EmailField {
    std::string placeholder;
};

struct AlertRequest {
    std::string messageText;     // the bold title
    std::string informativeText; // the body
    // Affirmative first; none gives the platform's single default button.
    std::vector<std::string> buttons;
    bool showsAppIcon = false; // the app's own icon rather than the platform's default
    std::optional<EmailField> emailField;
    // Floats above other apps' windows: for when the app may not have become the active one.
    bool raisesAboveOtherApps = false;
};

struct AlertResult {
    int response = 0;
    std::string fieldText; // what was typed into the e-mail field, as typed
};

// Modal alerts. Main thread only.
class Alerts {
public:
    static constexpr int firstButton = 1000;
    // The answer of an alert that is not on screen yet: it waits for the one that is.
    static constexpr int notShownYet = 0;

    using Answered = std::function<void(const AlertResult&)>;

    virtual ~Alerts() = default;

    // Blocks until the user answers: 1000 for the first button, 1001 for the second, ...
    virtual AlertResult runModal(const AlertRequest& alert) = 0;

    // Shows `alert` and hands the user's answer to `answered` on the main thread: at once here,
    // maybe later where alerts wait their turn.
    virtual void show(const AlertRequest& alert, Answered answered) { answered(runModal(alert)); }

    // The status menu opened, or closed: where alerts wait their turn, they wait for it too.
    virtual void menuOpened() {}
    virtual void menuClosed() {}
};

} // namespace sonifix
