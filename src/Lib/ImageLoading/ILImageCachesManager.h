#pragma once

#include "Lib/ImageLoading/ILImageCacheDefine.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// How the caches manager spreads one kind of request over its caches.
enum class ILCachesPolicy : long {
    Serial = 0, // from the highest priority down, the next only after the previous answered
    Concurrent = 1, // all at once
    HighestOnly = 2, // the last cache only
    LowestOnly = 3, // the first cache only
};

// An image cache over an ordered list of caches (initially the shared ILImageCache); the last is
// the highest priority. Each request kind has its own policy; a nil key makes query, store,
// remove and contains do nothing, and without caches nothing happens at all (no completion).
// Completions run on whatever queue the answering cache uses. Thread-safe.
class ILImageCachesManager final : public ILImageCacheProtocol,
                                   public std::enable_shared_from_this<ILImageCachesManager> {
public:
    static std::shared_ptr<ILImageCachesManager> sharedManager();
    static std::shared_ptr<ILImageCachesManager> create();

    std::vector<std::shared_ptr<ILImageCacheProtocol>> caches() const;
    void setCaches(const std::vector<std::shared_ptr<ILImageCacheProtocol>>& caches);
    void addCache(const std::shared_ptr<ILImageCacheProtocol>& cache);
    void removeCache(const std::shared_ptr<ILImageCacheProtocol>& cache);

    std::atomic<ILCachesPolicy> queryOperationPolicy { ILCachesPolicy::Serial };
    std::atomic<ILCachesPolicy> storeOperationPolicy { ILCachesPolicy::HighestOnly };
    std::atomic<ILCachesPolicy> removeOperationPolicy { ILCachesPolicy::Concurrent };
    std::atomic<ILCachesPolicy> containsOperationPolicy { ILCachesPolicy::Serial };
    std::atomic<ILCachesPolicy> clearOperationPolicy { ILCachesPolicy::Concurrent };

    std::shared_ptr<ILWebOperation> queryImageForKey(const ILCacheKey& key, ILLoadOptions options,
        const ILContext& context, ILImageCacheQueryCompletionBlock completion) override;
    void storeImage(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion) override;
    void storeImageForLoad(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, ILCacheType cacheType, const ILContext& context,
        ILWebNoParamsBlock completion) override;
    void removeImageForKey(
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion) override;
    void containsImageForKey(const ILCacheKey& key, ILCacheType cacheType,
        ILImageCacheContainsCompletionBlock completion) override;
    void clearWithCacheType(ILCacheType cacheType, ILWebNoParamsBlock completion) override;

private:
    using Caches = std::vector<std::shared_ptr<ILImageCacheProtocol>>;
    using Request = std::function<void(ILImageCacheProtocol& cache, ILWebNoParamsBlock next)>;
    // The caches in asking order (highest priority first) for `policy`; the policy's form.
    static Caches pick(const Caches& all, ILCachesPolicy policy);
    // Store, remove and clear: each cache in turn (serial) or all at once, then the completion.
    void runEach(ILCachesPolicy policy, const Request& request, ILWebNoParamsBlock completion) const;

    mutable std::mutex cachesLock_;
    Caches caches_;
};
