#include "UserDefaultsSettingsStore.h"

#import "FoundationStrings.h"

#import <Foundation/Foundation.h>

namespace sonifix {

using macos::toNSString;

namespace {

NSUserDefaults* store() {
    return [NSUserDefaults standardUserDefaults];
}

} // namespace

void UserDefaultsSettingsStore::registerDefaults(const std::map<std::string, bool>& defaults) {
    NSMutableDictionary* values = [NSMutableDictionary dictionaryWithCapacity:defaults.size()];
    for (const auto& [key, value] : defaults) {
        [values setObject:[NSNumber numberWithBool:value] forKey:toNSString(key)];
    }
    [store() registerDefaults:values];
}

bool UserDefaultsSettingsStore::boolForKey(const std::string& key) {
    return [store() boolForKey:toNSString(key)];
}

void UserDefaultsSettingsStore::setBool(const std::string& key, bool value) {
    [store() setBool:value forKey:toNSString(key)];
}

std::int64_t UserDefaultsSettingsStore::integerForKey(const std::string& key) {
    return std::int64_t([store() integerForKey:toNSString(key)]);
}

void UserDefaultsSettingsStore::setInteger(const std::string& key, std::int64_t value) {
    [store() setInteger:NSInteger(value) forKey:toNSString(key)];
}

std::optional<SettingsStore::Date> UserDefaultsSettingsStore::dateForKey(const std::string& key) {
    id value = [store() objectForKey:toNSString(key)];
    if (![value isKindOfClass:[NSDate class]]) {
        return std::nullopt;
    }
    const NSTimeInterval seconds = [(NSDate*)value timeIntervalSince1970];
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(seconds)));
}

void UserDefaultsSettingsStore::setDate(const std::string& key, Date value) {
    const std::chrono::duration<double> seconds = value.time_since_epoch();
    [store() setObject:[NSDate dateWithTimeIntervalSince1970:seconds.count()]
                forKey:toNSString(key)];
}

} // namespace sonifix
