#pragma once

#include "platform/SettingsStore.h"

namespace sonifix {

// NSUserDefaults standardUserDefaults: the app's preferences domain, named by its bundle
// identifier.
class UserDefaultsSettingsStore final : public SettingsStore {
public:
    void registerDefaults(const std::map<std::string, bool>& defaults) override;
    bool boolForKey(const std::string& key) override;
    void setBool(const std::string& key, bool value) override;
    std::int64_t integerForKey(const std::string& key) override;
    void setInteger(const std::string& key, std::int64_t value) override;
    std::optional<Date> dateForKey(const std::string& key) override;
    void setDate(const std::string& key, Date value) override;
};

} // namespace sonifix
