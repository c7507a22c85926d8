#pragma once

#include "platform/SettingsStore.h"

#include <map>
#include <variant>

namespace sonifix::testing {

// A preferences store in memory that can also hold a value of the wrong type, as a damaged or
// hand-edited store would.
class FakeSettingsStore final : public SettingsStore {
public:
    using Value = std::variant<bool, std::int64_t, Date, std::string>;

    void registerDefaults(const std::map<std::string, bool>& defaults) override {
        registered = defaults;
    }
    bool boolForKey(const std::string& key) override {
        return stored.contains(key) ? get<bool>(key).value_or(false) : registered[key];
    }
    void setBool(const std::string& key, bool value) override { stored[key] = value; }
    std::int64_t integerForKey(const std::string& key) override {
        return get<std::int64_t>(key).value_or(0);
    }
    void setInteger(const std::string& key, std::int64_t value) override { stored[key] = value; }
    std::optional<Date> dateForKey(const std::string& key) override { return get<Date>(key); }
    void setDate(const std::string& key, Date value) override { stored[key] = value; }

    std::map<std::string, Value> stored;

private:
    template <class T> std::optional<T> get(const std::string& key) const {
        const auto found = stored.find(key);
        const auto* value = found == stored.end() ? nullptr : std::get_if<T>(&found->second);
        return value ? std::optional(*value) : std::nullopt;
    }

    std::map<std::string, bool> registered;
};

} // namespace sonifix::testing
