#include "QtSettingsStore.h"

#include <QDateTime>

namespace sonifix {

QtSettingsStore::QtSettingsStore()
    : settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Northfold"),
               QStringLiteral("Sonifix")) {}

QtSettingsStore::QtSettingsStore(const QString& path) : settings(path, QSettings::IniFormat) {}

void QtSettingsStore::registerDefaults(const std::map<std::string, bool>& defaults) {
    registered = defaults;
}

std::optional<QString> QtSettingsStore::text(const std::string& key) {
    const auto value = settings.value(QString::fromStdString(key));
    if (!value.isValid() || value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

void QtSettingsStore::store(const std::string& key, const QString& value) {
    settings.setValue(QString::fromStdString(key), value);
    settings.sync();
}

bool QtSettingsStore::boolForKey(const std::string& key) {
    if (settings.contains(QString::fromStdString(key))) {
        return text(key) == QStringLiteral("true");
    }
    const auto fallback = registered.find(key);
    return fallback != registered.end() && fallback->second;
}

void QtSettingsStore::setBool(const std::string& key, bool value) {
    store(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

std::int64_t QtSettingsStore::integerForKey(const std::string& key) {
    bool ok = false;
    const auto value = text(key).value_or(QString()).toLongLong(&ok);
    return ok ? value : 0;
}

void QtSettingsStore::setInteger(const std::string& key, std::int64_t value) {
    store(key, QString::number(value));
}

std::optional<SettingsStore::Date> QtSettingsStore::dateForKey(const std::string& key) {
    const auto stored = text(key);
    if (!stored) {
        return std::nullopt;
    }
    const auto date = QDateTime::fromString(*stored, Qt::ISODateWithMs);
    // Qt's dates span millions of years, Date (nanoseconds here) only 1677 to 2262: a year such
    // as 4048 in a damaged file would overflow it.
    using std::chrono::milliseconds;
    constexpr auto earliest = std::chrono::ceil<milliseconds>(Date::min().time_since_epoch());
    constexpr auto latest = std::chrono::floor<milliseconds>(Date::max().time_since_epoch());
    if (!date.isValid() || date.toMSecsSinceEpoch() < earliest.count() ||
        date.toMSecsSinceEpoch() > latest.count()) {
        return std::nullopt;
    }
    return Date(milliseconds(date.toMSecsSinceEpoch()));
}

void QtSettingsStore::setDate(const std::string& key, Date value) {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(value.time_since_epoch()).count();
    store(key, QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC).toString(Qt::ISODateWithMs));
}

} // namespace sonifix
