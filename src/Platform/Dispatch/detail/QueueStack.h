#pragma once

#include <vector>

namespace dispatch {
class Queue;
}

namespace dispatch::detail {

// The queues the calling thread is running blocks of, outermost first. A block run through
// `sync` on another thread inherits its caller's stack, because the caller is blocked inside
// its own queue's block for as long as the sync block runs.
class QueueStack {
public:
    using Frames = std::vector<const Queue*>;

    static const Frames& frames();
    static bool contains(const Queue* queue);
    static const Queue* top();

    // Pushes `queue` for the lifetime of the guard.
    class Enter {
    public:
        explicit Enter(const Queue* queue);
        ~Enter();
        Enter(const Enter&) = delete;
        Enter& operator=(const Enter&) = delete;
    };

    // Replaces the thread's stack by `inherited` plus `queue` for the lifetime of the guard.
    class Adopt {
    public:
        Adopt(const Frames& inherited, const Queue* queue);
        ~Adopt();
        Adopt(const Adopt&) = delete;
        Adopt& operator=(const Adopt&) = delete;

    private:
        Frames saved_;
    };
};

} // namespace dispatch::detail
