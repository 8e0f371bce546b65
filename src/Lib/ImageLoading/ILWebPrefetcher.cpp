#include "Lib/ImageLoading/ILWebPrefetcher.h"

#include "Lib/ImageLoading/ILAsyncBlockOperation.h"
#include "Lib/ImageLoading/ILWebCombinedOperation.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Lib/ImageLoading/ILWebPrefetchToken.h"
#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Foundation/URL.h"

using foundation::Ref;

std::shared_ptr<ILWebPrefetcher> ILWebPrefetcher::sharedImagePrefetcher()
{
    static const auto prefetcher = create(ILWebManager::create());
    return prefetcher;
}

std::shared_ptr<ILWebPrefetcher> ILWebPrefetcher::create(std::shared_ptr<ILWebManager> manager)
{
    return std::make_shared<ILWebPrefetcher>(std::move(manager));
}

ILWebPrefetcher::ILWebPrefetcher(std::shared_ptr<ILWebManager> manager)
    : manager_(std::move(manager))
    , prefetchQueue_(dispatch::OperationQueue::create("com.tallowind.ILWebPrefetcher"))
{
    prefetchQueue_->setMaxConcurrentOperationCount(3);
    delegateQueue_.set(dispatch::mainQueue().shared_from_this());
}

long ILWebPrefetcher::maxConcurrentPrefetchCount() const
{
    return prefetchQueue_->maxConcurrentOperationCount();
}

void ILWebPrefetcher::setMaxConcurrentPrefetchCount(long count)
{
    prefetchQueue_->setMaxConcurrentOperationCount(count);
}

std::shared_ptr<ILWebPrefetchToken> ILWebPrefetcher::prefetchURLs(
    const std::vector<Ref<foundation::URL>>& urls)
{
    return prefetchURLs(urls, nullptr, nullptr);
}

std::shared_ptr<ILWebPrefetchToken> ILWebPrefetcher::prefetchURLs(
    const std::vector<Ref<foundation::URL>>& urls, std::function<void(unsigned long, unsigned long)> progress,
    std::function<void(unsigned long, unsigned long)> completed)
{
    if (urls.empty()) {
        if (completed)
            completed(0, 0);
        return nullptr;
    }
    auto token = std::make_shared<ILWebPrefetchToken>(
        shared_from_this(), urls, std::move(progress), std::move(completed));
    addRunningToken(token);
    startPrefetchWithToken(token);
    return token;
}

void ILWebPrefetcher::startPrefetchWithToken(const std::shared_ptr<ILWebPrefetchToken>& token)
{
    std::weak_ptr<ILWebPrefetcher> weakSelf = shared_from_this();
    for (const auto& url : token->urls()) {
        auto prefetch = ILAsyncBlockOperation::blockOperationWithBlock(
            [weakSelf, token, url](ILAsyncBlockOperation& operation) {
                auto self = weakSelf.lock();
                if (!self || operation.isCancelled() || token->isCancelled()) {
                    operation.complete();
                    return;
                }
                auto weakOperation
                    = std::static_pointer_cast<ILAsyncBlockOperation>(operation.shared_from_this());
                auto load = self->manager_->loadImageWithURL(url, self->options(), self->context(), nullptr,
                    [weakSelf, token, weakOperation = std::weak_ptr(weakOperation)](const ILImageRef&,
                        const Ref<foundation::Data>&, const Ref<foundation::Error>& error, ILCacheType,
                        bool finished, const Ref<foundation::URL>& imageURL) {
                        auto strong = weakSelf.lock();
                        if (!strong || !finished)
                            return;
                        // A cancelled batch reports nothing more, also for loads that end late.
                        if (!token->isCancelled())
                            strong->loadFinished(token, imageURL, error != nullptr);
                        if (auto prefetchOperation = weakOperation.lock())
                            prefetchOperation->complete();
                    });
                token->addLoadOperation(load);
            });
        token->addPrefetchOperation(prefetch);
        prefetchQueue_->addOperation(prefetch);
    }
}

void ILWebPrefetcher::loadFinished(
    const std::shared_ptr<ILWebPrefetchToken>& token, const Ref<foundation::URL>& url, bool failed)
{
    const unsigned long finished = ++token->finishedCount_;
    if (failed)
        ++token->skippedCount_;
    callProgressBlockForToken(token, url);
    if (finished == token->totalCount() && !token->allFinished_.exchange(true)) {
        callCompletionBlockForToken(token);
        removeRunningToken(token);
    }
}

void ILWebPrefetcher::callProgressBlockForToken(
    const std::shared_ptr<ILWebPrefetchToken>& token, const Ref<foundation::URL>& url)
{
    const Sums all = sums();
    const unsigned long finished = token->finishedCount();
    const unsigned long total = token->totalCount();
    const auto progress = token->progressBlock();
    std::weak_ptr<ILWebPrefetcher> weakSelf = shared_from_this();
    delegateQueue()->async([weakSelf, url, all, finished, total, progress] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        if (const auto delegate = self->delegate())
            delegate->imagePrefetcherDidPrefetchURL(*self, url, all.finished, all.total);
        if (progress)
            progress(finished, total);
    });
}

void ILWebPrefetcher::callCompletionBlockForToken(const std::shared_ptr<ILWebPrefetchToken>& token)
{
    const Sums all = sums();
    const bool last = all.running == 1;
    const unsigned long finished = token->finishedCount();
    const unsigned long skipped = token->skippedCount();
    const auto completion = token->completionBlock();
    std::weak_ptr<ILWebPrefetcher> weakSelf = shared_from_this();
    delegateQueue()->async([weakSelf, all, last, finished, skipped, completion] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        if (const auto delegate = self->delegate(); delegate && last)
            delegate->imagePrefetcherDidFinish(*self, all.total, all.skipped);
        if (completion)
            completion(finished, skipped);
    });
}

void ILWebPrefetcher::addRunningToken(const std::shared_ptr<ILWebPrefetchToken>& token)
{
    std::lock_guard lock(runningTokensLock_);
    runningTokens_.insert(token);
}

void ILWebPrefetcher::removeRunningToken(const std::shared_ptr<ILWebPrefetchToken>& token)
{
    if (!token)
        return;
    std::lock_guard lock(runningTokensLock_);
    runningTokens_.erase(token);
}

std::size_t ILWebPrefetcher::countOfRunningTokens() const
{
    std::lock_guard lock(runningTokensLock_);
    return runningTokens_.size();
}

ILWebPrefetcher::Sums ILWebPrefetcher::sums() const
{
    Sums sums;
    std::lock_guard lock(runningTokensLock_);
    for (const auto& token : runningTokens_) {
        sums.total += token->totalCount();
        sums.finished += token->finishedCount();
        sums.skipped += token->skippedCount();
    }
    sums.running = runningTokens_.size();
    return sums;
}

void ILWebPrefetcher::cancelPrefetching()
{
    std::set<std::shared_ptr<ILWebPrefetchToken>> tokens;
    {
        std::lock_guard lock(runningTokensLock_);
        tokens.swap(runningTokens_);
    }
    // No queued URL of any batch may start while the batches are cancelled one by one.
    prefetchQueue_->setSuspended(true);
    for (const auto& token : tokens)
        token->cancel();
    prefetchQueue_->setSuspended(false);
}
