#pragma once

#include "EventLog.h"
#include "platform/StatusItem.h"

namespace sonifix::testing {

class FakeStatusItem final : public StatusItem {
public:
    explicit FakeStatusItem(EventLog& log) : log(log) {}

    void showSymbol(const std::string& symbolName, const std::string& description) override {
        symbol = symbolName;
        accessibilityDescription = description;
        log.push_back("icon " + symbolName);
    }
    void attachMenu(Menu&) override {}

    std::string symbol; // none yet when empty
    std::string accessibilityDescription;

private:
    EventLog& log;
};

} // namespace sonifix::testing
