#include "QtMainQueue.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <thread>

// A worker hands a number to a block it posts to the main queue. "ordered": it writes the number
// before posting, which the queue orders before the block's read, and ThreadSanitizer must stay
// silent. "racing": it writes the number again after posting, which nothing orders against the
// block's read, and ThreadSanitizer must report the race, whatever the suppressions hide.
// tools/thread-sanitizer-probe.sh runs both.
namespace {

int handed = 0;

[[gnu::noinline]] void writeHandedNumber(int value) {
    handed = value;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool racing = argc > 1 && std::string_view(argv[1]) == "racing";
    sonifix::QtMainQueue queue;
    std::thread worker([&] {
        writeHandedNumber(1);
        queue.post([&] {
            std::printf("handed %d\n", handed);
            QTimer::singleShot(std::chrono::milliseconds(200), &app, &QCoreApplication::quit);
        });
        if (racing) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            writeHandedNumber(2);
        }
    });
    const int status = QCoreApplication::exec();
    worker.join();
    return status;
}
