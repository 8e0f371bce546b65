#pragma once

#include "Platform/Dispatch/Queue.h"

#include <memory>

namespace dispatch {

// Tracks a set of pending tasks. enter() and leave() must balance; leaving more often than
// entering throws ProgrammingError. Copies share the same group. Thread-safe.
class Group {
public:
    Group();

    void enter();
    void leave();

    // Submits `block` to `queue` as a member of the group.
    void async(Queue& queue, Block block);

    // Submits `block` to `queue` once the group is empty (at once if it is empty now). Each
    // notify block fires once, for the first time the group becomes empty after it was added.
    void notify(Queue& queue, Block block);

    // Blocks until the group is empty or `timeoutSeconds` pass on the installed clock;
    // returns true when it became empty. A negative timeout waits forever.
    bool wait(double timeoutSeconds = -1);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace dispatch
