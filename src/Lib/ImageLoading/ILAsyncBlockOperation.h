#pragma once

#include "Platform/Dispatch/Operation.h"

#include <functional>
#include <memory>

// An operation that runs a block and stays executing until complete() is called (from any
// thread) or it is cancelled; only then does its queue start the next one. A cancelled
// operation never runs its block. The block runs on the thread that starts the operation.
class ILAsyncBlockOperation final : public dispatch::Operation {
public:
    using Block = std::function<void(ILAsyncBlockOperation& operation)>;

    static std::shared_ptr<ILAsyncBlockOperation> blockOperationWithBlock(Block block);

    bool isAsynchronous() const override { return true; }
    void complete() { finish(); }

    // Use blockOperationWithBlock().
    explicit ILAsyncBlockOperation(Block block);

protected:
    void main() override;

private:
    Block block_;
    dispatch::Subscription cancelObservation_;
};
