#pragma once

#include <string>
#include <vector>

namespace sonifix {

struct AlertRequest {
    std::string messageText;     // the bold title
    std::string informativeText; // the body
    // Affirmative first; none gives the platform's single default button.
    std::vector<std::string> buttons;
};

// Modal alerts. Main thread only.
class Alerts {
public:
    static constexpr int firstButton = 1000;

    virtual ~Alerts() = default;

    // Blocks until the user answers: 1000 for the first button, 1001 for the second, ...
    virtual int runModal(const AlertRequest& alert) = 0;
};

} // namespace sonifix
