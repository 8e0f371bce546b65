#pragma once

#include "Platform/Dispatch/Queue.h"

#include <deque>
#include <mutex>

namespace dispatch::detail {

// "At most one drainer": the queue is active while one pool task (or one inline `sync` caller)
// owns it; blocks submitted meanwhile are picked up by that owner, so no second thread ever runs
// a block of this queue and submission order is kept.
class SerialQueue final : public Queue {
public:
    SerialQueue(std::string label, Priority priority);

    bool isSerial() const override { return true; }
    void async(Block block) override;
    void sync(const Block& block) override;

private:
    void submitDrain();
    void drain();
    void releaseAfterInlineSync();

    const Priority priority_;
    std::mutex mutex_;
    std::deque<Block> blocks_;
    bool active_ = false;
};

} // namespace dispatch::detail
