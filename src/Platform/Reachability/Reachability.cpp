#include "Platform/Reachability/Reachability.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Reachability/RouteProbe.h"
#include "Platform/Reachability/RouteWatcher.h"

#include <netinet/in.h>

#include <cstring>
#include <mutex>

namespace net {

struct Reachability::State : std::enable_shared_from_this<State> {
    detail::ReachabilityTarget target;
    std::mutex mutex;
    Callback callback;
    std::shared_ptr<dispatch::Queue> queue; // kept alive while scheduled
    std::unique_ptr<detail::RouteWatcher> watcher;
    std::uint32_t lastFlags = 0;
    bool scheduled = false;

    void routesChanged()
    {
        std::uint32_t flags = detail::probeReachability(target);
        std::shared_ptr<dispatch::Queue> deliverOn;
        {
            std::lock_guard lock(mutex);
            if (!scheduled || flags == lastFlags)
                return;
            lastFlags = flags;
            deliverOn = queue;
        }
        std::weak_ptr<State> weak = weak_from_this();
        deliverOn->async([weak, flags] {
            auto state = weak.lock();
            if (!state)
                return;
            Callback callback;
            {
                std::lock_guard lock(state->mutex);
                if (!state->scheduled)
                    return;
                callback = state->callback;
            }
            if (callback)
                callback(flags);
        });
    }
};

Reachability::Reachability(std::shared_ptr<State> state)
    : state_(std::move(state))
{
}

Reachability::~Reachability()
{
    unschedule();
}

std::unique_ptr<Reachability> Reachability::createWithName(std::string hostName)
{
    auto state = std::make_shared<State>();
    state->target.hostName = std::move(hostName);
    return std::make_unique<Reachability>(std::move(state));
}

std::unique_ptr<Reachability> Reachability::createWithAddress(const sockaddr* address)
{
    if (!address || (address->sa_family != AF_INET && address->sa_family != AF_INET6))
        return nullptr;
    auto state = std::make_shared<State>();
    std::memcpy(&state->target.address, address, address->sa_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
    return std::make_unique<Reachability>(std::move(state));
}

bool Reachability::getFlags(std::uint32_t& flags) const
{
    flags = detail::probeReachability(state_->target);
    return true;
}

void Reachability::setCallback(Callback callback)
{
    std::lock_guard lock(state_->mutex);
    state_->callback = std::move(callback);
}

bool Reachability::scheduleOnQueue(dispatch::Queue& queue)
{
    std::uint32_t initial = detail::probeReachability(state_->target);
    std::lock_guard lock(state_->mutex);
    state_->queue = queue.shared_from_this();
    if (state_->scheduled)
        return true;
    std::weak_ptr<State> weak = state_;
    state_->watcher = std::make_unique<detail::RouteWatcher>([weak] {
        if (auto state = weak.lock())
            state->routesChanged();
    });
    if (!state_->watcher->start()) {
        state_->watcher.reset();
        return false;
    }
    state_->lastFlags = initial;
    state_->scheduled = true;
    return true;
}

void Reachability::unschedule()
{
    std::unique_ptr<detail::RouteWatcher> watcher;
    {
        std::lock_guard lock(state_->mutex);
        state_->scheduled = false;
        watcher = std::move(state_->watcher);
        state_->queue.reset();
    }
    // Joined outside the lock: the watcher thread takes it in routesChanged.
    watcher.reset();
}

bool Reachability::isScheduled() const
{
    std::lock_guard lock(state_->mutex);
    return state_->scheduled;
}

} // namespace net
