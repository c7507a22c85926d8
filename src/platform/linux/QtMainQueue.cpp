#include "QtMainQueue.h"

#include "HandOver.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

namespace sonifix {

namespace {

const auto blockEventType = QEvent::Type(QEvent::registerEventType());

// A posted block. It is made by the posting thread and run or dropped on the main thread, and
// its hand-over through Qt's queue is told to ThreadSanitizer on both sides.
class BlockEvent final : public QEvent {
public:
    explicit BlockEvent(MainQueue::Block block) : QEvent(blockEventType), block(std::move(block)) {
        HandOver::release(this);
    }
    ~BlockEvent() override { HandOver::acquire(this); } // dropped unrun, too
    BlockEvent(const BlockEvent&) = delete;
    BlockEvent& operator=(const BlockEvent&) = delete;

    void run() { block(); }

private:
    MainQueue::Block block;
};

class BlockReceiver final : public QObject {
protected:
    void customEvent(QEvent* event) override {
        HandOver::acquire(event); // before anything of the event is read
        if (event->type() == blockEventType) {
            static_cast<BlockEvent*>(event)->run();
        }
    }
};

} // namespace

QtMainQueue::QtMainQueue() : context(std::make_unique<BlockReceiver>()) {}

void QtMainQueue::post(Block block) {
    const std::lock_guard lock(mutex);
    if (context) {
        QCoreApplication::postEvent(context.get(), new BlockEvent(std::move(block)));
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
