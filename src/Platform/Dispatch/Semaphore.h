#pragma once

#include <memory>

namespace dispatch {

// A counting semaphore. Copies share the same count. Thread-safe.
class Semaphore {
public:
    explicit Semaphore(long initialValue = 0);

    // Takes one unit, waiting up to `timeoutSeconds` on the installed clock (negative: forever).
    // Returns false on timeout; the count is then unchanged.
    bool wait(double timeoutSeconds = -1);
    // Returns one unit and wakes one waiter.
    void signal();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace dispatch
