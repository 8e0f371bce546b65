#pragma once

#include "Platform/Dispatch/Queue.h"

namespace dispatch::detail {

// Hands every block straight to the pool at the queue's priority.
class ConcurrentQueue final : public Queue {
public:
    ConcurrentQueue(std::string label, Priority priority);

    bool isSerial() const override { return false; }
    void async(Block block) override;
    void sync(const Block& block) override;

private:
    const Priority priority_;
};

} // namespace dispatch::detail
