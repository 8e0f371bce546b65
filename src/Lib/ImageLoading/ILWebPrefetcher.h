#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Atomic.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace dispatch {
class OperationQueue;
}
class ILWebManager;
class ILWebPrefetchToken;
class ILWebPrefetcher;

// Told of the progress summed over every batch still running, and of the end of the last one.
class ILWebPrefetcherDelegate {
public:
    virtual ~ILWebPrefetcherDelegate() = default;
    virtual void imagePrefetcherDidPrefetchURL(ILWebPrefetcher&, const foundation::Ref<foundation::URL>&,
        unsigned long /*finishedCount*/, unsigned long /*totalCount*/)
    {
    }
    virtual void imagePrefetcherDidFinish(
        ILWebPrefetcher&, unsigned long /*totalCount*/, unsigned long /*skippedCount*/)
    {
    }
};

// Loads batches of URLs into the caches ahead of need: at most maxConcurrentPrefetchCount at once
// (3), at low priority by default, through a manager. Each batch reports to its own blocks and
// sums over all running batches to one delegate, on the delegate queue (the main queue). A
// cancelled batch starts no more loads and reports nothing more. Thread-safe.
class ILWebPrefetcher final : public std::enable_shared_from_this<ILWebPrefetcher> {
public:
    // Made once, with a manager of its own (the default cache and loader).
    static std::shared_ptr<ILWebPrefetcher> sharedImagePrefetcher();
    static std::shared_ptr<ILWebPrefetcher> create(std::shared_ptr<ILWebManager> manager);

    const std::shared_ptr<ILWebManager>& manager() const { return manager_; }
    ILLoadOptions options() const { return options_; }
    void setOptions(ILLoadOptions options) { options_ = options; }
    ILContext context() const { return context_.get(); }
    void setContext(ILContext context) { context_.set(std::move(context)); }
    dispatch::QueueRef delegateQueue() const { return delegateQueue_.get(); }
    void setDelegateQueue(dispatch::QueueRef queue) { delegateQueue_.set(std::move(queue)); }
    std::shared_ptr<ILWebPrefetcherDelegate> delegate() const { return delegate_.get().lock(); }
    void setDelegate(const std::shared_ptr<ILWebPrefetcherDelegate>& delegate) { delegate_.set(delegate); }
    long maxConcurrentPrefetchCount() const;
    void setMaxConcurrentPrefetchCount(long count);

    // nil for an empty list, after calling the completion at once (on this thread) with (0, 0).
    std::shared_ptr<ILWebPrefetchToken> prefetchURLs(
        const std::vector<foundation::Ref<foundation::URL>>& urls);
    std::shared_ptr<ILWebPrefetchToken> prefetchURLs(
        const std::vector<foundation::Ref<foundation::URL>>& urls,
        std::function<void(unsigned long, unsigned long)> progress,
        std::function<void(unsigned long, unsigned long)> completed);
    void cancelPrefetching();
    std::size_t countOfRunningTokens() const;

    // Use create().
    explicit ILWebPrefetcher(std::shared_ptr<ILWebManager> manager);

private:
    friend class ILWebPrefetchToken;
    void startPrefetchWithToken(const std::shared_ptr<ILWebPrefetchToken>& token);
    void loadFinished(const std::shared_ptr<ILWebPrefetchToken>& token,
        const foundation::Ref<foundation::URL>& url, bool failed);
    void callProgressBlockForToken(
        const std::shared_ptr<ILWebPrefetchToken>& token, const foundation::Ref<foundation::URL>& url);
    void callCompletionBlockForToken(const std::shared_ptr<ILWebPrefetchToken>& token);
    void addRunningToken(const std::shared_ptr<ILWebPrefetchToken>& token);
    void removeRunningToken(const std::shared_ptr<ILWebPrefetchToken>& token);
    struct Sums {
        unsigned long total = 0;
        unsigned long finished = 0;
        unsigned long skipped = 0;
        std::size_t running = 0;
    };
    Sums sums() const;

    const std::shared_ptr<ILWebManager> manager_;
    const std::shared_ptr<dispatch::OperationQueue> prefetchQueue_;
    std::atomic<ILLoadOptions> options_ { ILLoadLowPriority };
    foundation::Atomic<ILContext> context_;
    foundation::Atomic<dispatch::QueueRef> delegateQueue_;
    foundation::Atomic<std::weak_ptr<ILWebPrefetcherDelegate>> delegate_;
    mutable std::mutex runningTokensLock_;
    std::set<std::shared_ptr<ILWebPrefetchToken>> runningTokens_;
};
