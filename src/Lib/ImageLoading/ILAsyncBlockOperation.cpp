#include "Lib/ImageLoading/ILAsyncBlockOperation.h"

std::shared_ptr<ILAsyncBlockOperation> ILAsyncBlockOperation::blockOperationWithBlock(Block block)
{
    auto operation = std::make_shared<ILAsyncBlockOperation>(std::move(block));
    // Cancelling a running operation completes it, so that its queue moves on.
    std::weak_ptr<ILAsyncBlockOperation> weak = operation;
    operation->cancelObservation_
        = operation->observeChanges([weak](dispatch::Operation&, const std::string& key) {
              if (key != "isCancelled")
                  return;
              if (auto strong = weak.lock())
                  strong->finish();
          });
    return operation;
}

ILAsyncBlockOperation::ILAsyncBlockOperation(Block block)
    : block_(std::move(block))
{
}

void ILAsyncBlockOperation::main()
{
    if (isCancelled()) {
        finish();
        return;
    }
    if (!block_) {
        finish();
        return;
    }
    block_(*this);
}
