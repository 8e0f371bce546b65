#include "Lib/ImageLoading/ILWebCombinedOperation.h"

#include "Lib/ImageLoading/ILWebManager.h"

void ILWebCombinedOperation::cancel()
{
    std::shared_ptr<ILWebOperation> cache;
    std::shared_ptr<ILWebOperation> loader;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_)
            return;
        cancelled_ = true;
        cache = std::move(cacheOperation_);
        loader = std::move(loaderOperation_);
    }
    if (cache)
        cache->cancel();
    if (loader)
        loader->cancel();
    if (auto owner = manager_.lock())
        owner->safelyRemoveOperationFromRunning(shared_from_this());
}

bool ILWebCombinedOperation::isCancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

std::shared_ptr<ILWebOperation> ILWebCombinedOperation::cacheOperation() const
{
    std::lock_guard lock(mutex_);
    return cacheOperation_;
}

void ILWebCombinedOperation::setCacheOperation(std::shared_ptr<ILWebOperation> operation)
{
    std::lock_guard lock(mutex_);
    cacheOperation_ = std::move(operation);
}

std::shared_ptr<ILWebOperation> ILWebCombinedOperation::loaderOperation() const
{
    std::lock_guard lock(mutex_);
    return loaderOperation_;
}

void ILWebCombinedOperation::setLoaderOperation(std::shared_ptr<ILWebOperation> operation)
{
    std::lock_guard lock(mutex_);
    loaderOperation_ = std::move(operation);
}
