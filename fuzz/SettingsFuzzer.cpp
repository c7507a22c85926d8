#include "IcuRelativeTimeFormatter.h"
#include "QtSettingsStore.h"
#include "app/Settings.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

// A preferences file damaged in any way reads back as values or as missing, never as a crash,
// and the menu can say how long ago any date it yields was.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir folder;
    static const auto path = folder.filePath(QStringLiteral("Sonifix.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
        std::abort();
    }
    // Qt keeps parsed files and reads one again only when its size or time has changed.
    static qint64 runs = 0;
    file.setFileTime(QDateTime::fromMSecsSinceEpoch(++runs), QFileDevice::FileModificationTime);
    file.close();
    sonifix::QtSettingsStore store(path);
    store.registerDefaults(sonifix::settings::registeredDefaults());
    for (const auto* key : {&sonifix::settings::resumePlayers, &sonifix::settings::welcomed,
                            &sonifix::settings::lastRestart, &sonifix::settings::restartCount}) {
        (void)store.boolForKey(*key);
        (void)store.integerForKey(*key);
        if (const auto date = store.dateForKey(*key)) {
            static sonifix::IcuRelativeTimeFormatter formatter("en_US");
            (void)formatter.describe(*date, std::chrono::system_clock::now());
        }
    }
    return 0;
}
