#include "Platform/Dispatch/Group.h"

#include "Platform/Dispatch/detail/Waitable.h"

#include <utility>
#include <vector>

namespace dispatch {

struct Group::State : detail::Waitable {
    long count = 0;
    std::vector<std::pair<QueueRef, Block>> notifications;

    void leave()
    {
        std::vector<std::pair<QueueRef, Block>> due;
        {
            std::lock_guard lock(mutex);
            if (count == 0)
                throw ProgrammingError("group left more often than entered");
            if (--count > 0)
                return;
            due.swap(notifications);
        }
        changed.notify_all();
        for (auto& [queue, block] : due)
            queue->async(std::move(block));
    }
};

Group::Group() : state_(std::make_shared<State>()) {}

void Group::enter()
{
    std::lock_guard lock(state_->mutex);
    ++state_->count;
}

void Group::leave()
{
    state_->leave();
}

void Group::async(Queue& queue, Block block)
{
    enter();
    queue.async([state = state_, block = std::move(block)] {
        // Leave even when the block throws, or waiters would hang.
        try {
            block();
        } catch (...) {
            state->leave();
            throw;
        }
        state->leave();
    });
}

void Group::notify(Queue& queue, Block block)
{
    {
        std::lock_guard lock(state_->mutex);
        if (state_->count > 0) {
            state_->notifications.emplace_back(queue.shared_from_this(), std::move(block));
            return;
        }
    }
    queue.async(std::move(block));
}

bool Group::wait(double timeoutSeconds)
{
    std::unique_lock lock(state_->mutex);
    return state_->waitFor(lock, timeoutSeconds, [this] { return state_->count == 0; });
}

} // namespace dispatch
