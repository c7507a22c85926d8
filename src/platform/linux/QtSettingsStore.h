#pragma once

#include "platform/SettingsStore.h"

#include <QSettings>

namespace sonifix {

// The preferences in an INI file in the user's configuration folder (Northfold/Sonifix.ini).
// INI keeps text only, so each read parses its type strictly and anything else reads as missing.
class QtSettingsStore final : public SettingsStore {
public:
    QtSettingsStore();
    // For tests: the store at this path.
    explicit QtSettingsStore(const QString& path);

    void registerDefaults(const std::map<std::string, bool>& defaults) override;
    bool boolForKey(const std::string& key) override;
    void setBool(const std::string& key, bool value) override;
    std::int64_t integerForKey(const std::string& key) override;
    void setInteger(const std::string& key, std::int64_t value) override;
    std::optional<Date> dateForKey(const std::string& key) override;
    void setDate(const std::string& key, Date value) override;

private:
    std::optional<QString> text(const std::string& key);
    void store(const std::string& key, const QString& value);

    QSettings settings;
    std::map<std::string, bool> registered;
};

} // namespace sonifix
