#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sonifix {

// The user's preferences for the app, with the semantics of the platform's user defaults: a
// stored value wins over a registered default; registered defaults live only in memory; a
// missing key reads as false, 0 or nothing; a value of another type reads as missing.
// Main thread only. Never throws.
class SettingsStore {
public:
    using Date = std::chrono::system_clock::time_point;

    virtual ~SettingsStore() = default;

    virtual void registerDefaults(const std::map<std::string, bool>& defaults) = 0;

    virtual bool boolForKey(const std::string& key) = 0;
    virtual void setBool(const std::string& key, bool value) = 0;

    virtual std::int64_t integerForKey(const std::string& key) = 0;
    virtual void setInteger(const std::string& key, std::int64_t value) = 0;

    // Nothing when the key holds no value or one that is not a date.
    virtual std::optional<Date> dateForKey(const std::string& key) = 0;
    virtual void setDate(const std::string& key, Date value) = 0;
};

} // namespace sonifix
