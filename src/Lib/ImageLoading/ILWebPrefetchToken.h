#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class ILAsyncBlockOperation;
class ILWebPrefetcher;

// One batch of a prefetcher: its URLs, counts of finished and skipped (failed) URLs, and the
// handle that cancels exactly this batch. Once cancelled it reports nothing more. Thread-safe.
class ILWebPrefetchToken final : public ILWebOperation,
                                 public std::enable_shared_from_this<ILWebPrefetchToken> {
public:
    using ProgressBlock = std::function<void(unsigned long finishedCount, unsigned long totalCount)>;
    using CompletionBlock = std::function<void(unsigned long finishedCount, unsigned long skippedCount)>;

    void cancel() override;
    bool isCancelled() const { return cancelled_; }

    const std::vector<foundation::Ref<foundation::URL>>& urls() const { return urls_; }
    unsigned long totalCount() const { return totalCount_; }
    unsigned long finishedCount() const { return finishedCount_; }
    unsigned long skippedCount() const { return skippedCount_; }

    ILWebPrefetchToken(const std::shared_ptr<ILWebPrefetcher>& prefetcher,
        std::vector<foundation::Ref<foundation::URL>> urls, ProgressBlock progress,
        CompletionBlock completion);

private:
    friend class ILWebPrefetcher;
    void addPrefetchOperation(const std::shared_ptr<ILAsyncBlockOperation>& operation);
    void addLoadOperation(const std::shared_ptr<ILWebOperation>& operation);
    ProgressBlock progressBlock() const;
    CompletionBlock completionBlock() const;

    const std::vector<foundation::Ref<foundation::URL>> urls_;
    const unsigned long totalCount_;
    const std::weak_ptr<ILWebPrefetcher> prefetcher_;
    std::atomic<unsigned long> finishedCount_ { 0 };
    std::atomic<unsigned long> skippedCount_ { 0 };
    std::atomic<bool> allFinished_ { false };
    std::atomic<bool> cancelled_ { false };

    mutable std::mutex mutex_;
    std::vector<std::weak_ptr<ILAsyncBlockOperation>> prefetchOperations_;
    std::vector<std::weak_ptr<ILWebOperation>> loadOperations_;
    ProgressBlock progress_;
    CompletionBlock completion_;
};
