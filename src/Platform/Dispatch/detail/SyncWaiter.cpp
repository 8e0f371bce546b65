#include "Platform/Dispatch/detail/SyncWaiter.h"

namespace dispatch::detail {

void SyncWaiter::run(Queue& queue, const Block& block)
{
    struct Completion {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        std::exception_ptr error;
    } completion;
    const QueueStack::Frames frames = QueueStack::frames();
    queue.async([&completion, &frames, &block, &queue] {
        {
            QueueStack::Adopt adopt(frames, &queue);
            try {
                block();
            } catch (...) {
                completion.error = std::current_exception();
            }
        }
        // Notify under the lock: the caller's stack frame holding `completion` may go as soon
        // as it sees `done`.
        std::lock_guard lock(completion.mutex);
        completion.done = true;
        completion.cv.notify_one();
    });
    std::unique_lock lock(completion.mutex);
    completion.cv.wait(lock, [&] { return completion.done; });
    if (completion.error)
        std::rethrow_exception(completion.error);
}

} // namespace dispatch::detail
