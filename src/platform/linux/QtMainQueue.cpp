#include "QtMainQueue.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace sonifix {

void QtMainQueue::post(Block block) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(block), Qt::QueuedConnection);
}

void QtMainQueue::postAfter(std::chrono::milliseconds delay, Block block) {
    // A timer belongs to the thread that starts it: start it on the main thread.
    post([delay, block = std::move(block)]() mutable {
        QTimer::singleShot(delay, QCoreApplication::instance(), std::move(block));
    });
}

bool QtMainQueue::isMainThread() const {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace sonifix
