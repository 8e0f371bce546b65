#pragma once

#include <memory>

namespace dispatch {

// Lets Qt's event loop drain the main queue: a QObject on the GUI thread receives a posted event
// whenever main-queue work is pending and runs it there, interleaved with Qt's own events.
//
// Create it on the GUI thread once the QCoreApplication exists; that thread becomes the dispatch
// layer's main thread. While it exists, RunLoop still works on the same thread (for tests that
// want to spin manually). Destroying it hands the main queue back to RunLoop; blocks still
// pending stay queued.
class QtMainQueueDrain {
public:
    static std::unique_ptr<QtMainQueueDrain> install();
    ~QtMainQueueDrain();
    QtMainQueueDrain(const QtMainQueueDrain&) = delete;
    QtMainQueueDrain& operator=(const QtMainQueueDrain&) = delete;

    struct Receiver;
    struct Shared;
    explicit QtMainQueueDrain(std::shared_ptr<Shared> shared);

private:
    std::shared_ptr<Shared> shared_;
};

} // namespace dispatch
