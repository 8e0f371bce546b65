#include "Platform/DispatchQt/QtMainQueueDrain.h"

#include "Platform/Dispatch/MainQueueDriver.h"
#include "Platform/Dispatch/Queue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <mutex>

namespace dispatch {

namespace {

// Blocks run per posted event before Qt gets the chance to process its own events again.
constexpr long kBlocksPerEvent = 256;

QEvent::Type drainEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace

struct QtMainQueueDrain::Receiver final : QObject {
    bool event(QEvent* event) override
    {
        if (event->type() != drainEventType())
            return QObject::event(event);
        MainQueueDriver::drainMainQueue(kBlocksPerEvent);
        return true;
    }
};

// The wake-up may be running on a worker while the drain is destroyed, so it reaches the
// receiver only under this lock, and the receiver is cleared before it is deleted.
struct QtMainQueueDrain::Shared {
    std::mutex mutex;
    std::unique_ptr<Receiver> receiver;
};

std::unique_ptr<QtMainQueueDrain> QtMainQueueDrain::install()
{
    auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        throw ProgrammingError("QtMainQueueDrain::install needs the application's GUI thread");
    setMainThread();
    auto shared = std::make_shared<Shared>();
    shared->receiver = std::make_unique<Receiver>();
    MainQueueDriver::setWakeup([weak = std::weak_ptr<Shared>(shared)] {
        auto state = weak.lock();
        if (!state)
            return;
        std::lock_guard lock(state->mutex);
        if (state->receiver) // Qt takes ownership of posted events.
            QCoreApplication::postEvent(state->receiver.get(), new QEvent(drainEventType()));
    });
    return std::make_unique<QtMainQueueDrain>(std::move(shared));
}

QtMainQueueDrain::QtMainQueueDrain(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

QtMainQueueDrain::~QtMainQueueDrain()
{
    MainQueueDriver::setWakeup({});
    std::unique_ptr<Receiver> receiver;
    {
        std::lock_guard lock(shared_->mutex);
        receiver = std::move(shared_->receiver);
    }
    // Deleting the receiver drops its pending drain events; RunLoop picks the blocks up.
}

} // namespace dispatch
