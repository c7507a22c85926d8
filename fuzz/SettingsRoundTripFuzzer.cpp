#include "QtSettingsStore.h"
#include "app/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// What the app writes reads back the same, from the file, in a store opened afterwards: any
// Boolean, any count, any date to the millisecond.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using Date = sonifix::SettingsStore::Date;
    struct {
        std::uint8_t flag = 0;
        std::int64_t count = 0;
        std::int64_t nanoseconds = 0;
    } written;
    std::memcpy(&written.flag, data, std::min<std::size_t>(size, 1));
    std::memcpy(&written.count, data + std::min<std::size_t>(size, 1),
                std::min<std::size_t>(size > 1 ? size - 1 : 0, 8));
    std::memcpy(&written.nanoseconds, data + std::min<std::size_t>(size, 9),
                std::min<std::size_t>(size > 9 ? size - 9 : 0, 8));
    const Date date{std::chrono::nanoseconds(written.nanoseconds)};

    static const QTemporaryDir folder;
    const auto path = folder.filePath(QStringLiteral("Sonifix.ini"));
    QFile::remove(path);
    {
        sonifix::QtSettingsStore store(path);
        store.setBool(sonifix::settings::welcomed, written.flag & 1);
        store.setInteger(sonifix::settings::restartCount, written.count);
        store.setDate(sonifix::settings::lastRestart, date);
    }
    sonifix::QtSettingsStore read(path);
    const auto back = read.dateForKey(sonifix::settings::lastRestart);
    if (read.boolForKey(sonifix::settings::welcomed) != bool(written.flag & 1) ||
        read.integerForKey(sonifix::settings::restartCount) != written.count || !back ||
        *back != std::chrono::time_point_cast<std::chrono::milliseconds>(date)) {
        std::abort();
    }
    return 0;
}
