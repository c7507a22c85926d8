#pragma once

#include "platform/SettingsStore.h"

#include <map>
#include <string>
#include <variant>

namespace sonifix::testing {

// A preferences store in memory that can also hold a value of the wrong type, as a damaged or
// hand-edited store would.
class FakeSettingsStore final : public SettingsStore {
public:
    using Value = std::variant<bool, std::int64_t, Date, std::string>;

    void store(const std::string& key, Value value) { stored[key] = std::move(value); }
    bool holds(const std::string& key) const { return stored.count(key) > 0; }
    const std::map<std::string, Value>& values() const { return stored; }

    void registerDefaults(const std::map<std::string, bool>& defaults) override {
        registered = defaults;
    }
    bool boolForKey(const std::string& key) override {
        if (const auto found = stored.find(key); found != stored.end()) {
            const auto* value = std::get_if<bool>(&found->second);
            return value && *value;
        }
        const auto fallback = registered.find(key);
        return fallback != registered.end() && fallback->second;
    }
    void setBool(const std::string& key, bool value) override { stored[key] = value; }
    std::int64_t integerForKey(const std::string& key) override {
        const auto found = stored.find(key);
        const auto* value =
            found == stored.end() ? nullptr : std::get_if<std::int64_t>(&found->second);
        return value ? *value : 0;
    }
    void setInteger(const std::string& key, std::int64_t value) override { stored[key] = value; }
    std::optional<Date> dateForKey(const std::string& key) override {
        const auto found = stored.find(key);
        const auto* value = found == stored.end() ? nullptr : std::get_if<Date>(&found->second);
        return value ? std::optional(*value) : std::nullopt;
    }
    void setDate(const std::string& key, Date value) override { stored[key] = value; }

private:
    std::map<std::string, bool> registered;
    std::map<std::string, Value> stored;
};

} // namespace sonifix::testing
