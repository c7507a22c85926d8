#include "QtMainQueue.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace sonifix {

QtMainQueue::QtMainQueue() : context(std::make_unique<QObject>()) {}

void QtMainQueue::post(Block block) {
    const std::lock_guard lock(mutex);
    if (context) {
        QMetaObject::invokeMethod(context.get(), std::move(block), Qt::QueuedConnection);
    }
}

void QtMainQueue::postAfter(std::chrono::milliseconds delay, Block block) {
    // A timer belongs to the thread that starts it: start it on the main thread.
    post([this, delay, block = std::move(block)]() mutable {
        // Runs only while the context is there.
        QTimer::singleShot(delay, context.get(), std::move(block));
    });
}

bool QtMainQueue::isMainThread() const {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

void QtMainQueue::discardPending() {
    std::unique_ptr<QObject> gone;
    {
        const std::lock_guard lock(mutex);
        gone = std::move(context);
    }
    // Its queued blocks are destroyed with it, outside the lock: what they hold may post.
    gone.reset();
}

} // namespace sonifix
