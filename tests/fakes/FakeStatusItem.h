#pragma once

#include "EventLog.h"
#include "platform/StatusItem.h"

#include <optional>
#include <vector>

namespace sonifix::testing {

class FakeStatusItem final : public StatusItem {
public:
    explicit FakeStatusItem(EventLog& log) : log(log) {}

    void showSymbol(const std::string& symbolName,
                    const std::string& accessibilityDescription) override {
        symbols.push_back(symbolName);
        description = accessibilityDescription;
        log.add("icon " + symbolName);
    }
    void attachMenu(Menu& menu) override { attached = &menu; }

    std::optional<std::string> current() const {
        return symbols.empty() ? std::nullopt : std::optional(symbols.back());
    }

    std::vector<std::string> symbols;
    std::string description;
    Menu* attached = nullptr;

private:
    EventLog& log;
};

} // namespace sonifix::testing
