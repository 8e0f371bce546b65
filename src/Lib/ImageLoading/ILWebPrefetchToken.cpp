#include "Lib/ImageLoading/ILWebPrefetchToken.h"

#include "Lib/ImageLoading/ILAsyncBlockOperation.h"
#include "Lib/ImageLoading/ILWebPrefetcher.h"

ILWebPrefetchToken::ILWebPrefetchToken(const std::shared_ptr<ILWebPrefetcher>& prefetcher,
    std::vector<foundation::Ref<foundation::URL>> urls, ProgressBlock progress, CompletionBlock completion)
    : urls_(std::move(urls))
    , totalCount_(urls_.size())
    , prefetcher_(prefetcher)
    , progress_(std::move(progress))
    , completion_(std::move(completion))
{
}

void ILWebPrefetchToken::addPrefetchOperation(const std::shared_ptr<ILAsyncBlockOperation>& operation)
{
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_) {
            prefetchOperations_.push_back(operation);
            return;
        }
    }
    operation->cancel();
}

void ILWebPrefetchToken::addLoadOperation(const std::shared_ptr<ILWebOperation>& operation)
{
    if (!operation)
        return;
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_) {
            loadOperations_.push_back(operation);
            return;
        }
    }
    // The batch was cancelled while this load was being started.
    operation->cancel();
}

ILWebPrefetchToken::ProgressBlock ILWebPrefetchToken::progressBlock() const
{
    std::lock_guard lock(mutex_);
    return progress_;
}

ILWebPrefetchToken::CompletionBlock ILWebPrefetchToken::completionBlock() const
{
    std::lock_guard lock(mutex_);
    return completion_;
}

void ILWebPrefetchToken::cancel()
{
    std::vector<std::weak_ptr<ILAsyncBlockOperation>> prefetches;
    std::vector<std::weak_ptr<ILWebOperation>> loads;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_.exchange(true))
            return;
        prefetches.swap(prefetchOperations_);
        loads.swap(loadOperations_);
        progress_ = nullptr;
        completion_ = nullptr;
    }
    for (const auto& weak : prefetches)
        if (auto operation = weak.lock())
            operation->cancel();
    for (const auto& weak : loads)
        if (auto operation = weak.lock())
            operation->cancel();
    if (auto prefetcher = prefetcher_.lock())
        prefetcher->removeRunningToken(shared_from_this());
}
