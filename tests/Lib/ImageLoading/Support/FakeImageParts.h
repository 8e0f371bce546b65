#pragma once

#include "Lib/ImageLoading/ILImageCacheDefine.h"
#include "Lib/ImageLoading/ILImageLoader.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace imagetest {

// A small picture for tests.
ILImageRef makeImage(int width = 4, int height = 3);
// A two-frame GIF (red, then green, 0.1 s each, endless).
foundation::Ref<foundation::Data> gifData();

// A cache kept in a map. Queries answer at once, or wait for answerQueries() when held. Every
// member takes a lock, so loads may run on other threads.
class FakeImageCache final : public ILImageCacheProtocol {
public:
    struct Store {
        ILImageRef image;
        foundation::Ref<foundation::Data> data;
        std::string key;
        ILCacheType type;
    };

    std::shared_ptr<ILWebOperation> queryImageForKey(const ILCacheKey& key, ILLoadOptions options,
        const ILContext& context, ILImageCacheQueryCompletionBlock completion) override;
    void storeImage(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion) override;
    void removeImageForKey(
        const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion) override;
    void containsImageForKey(const ILCacheKey& key, ILCacheType cacheType,
        ILImageCacheContainsCompletionBlock completion) override;
    void clearWithCacheType(ILCacheType cacheType, ILWebNoParamsBlock completion) override;

    void answerQueries();

    std::map<std::string, ILImageRef> images;
    std::vector<Store> stores;
    std::vector<std::string> queries;
    std::vector<std::string> removals;
    int clears = 0;
    bool holdQueries = false;

private:
    std::recursive_mutex mutex_;
    std::vector<std::function<void()>> held_;
};

// A loader whose requests the test answers by hand. Requests may come from any thread (they are
// recorded under a lock); read `requests` directly only when all of them came from the test's own
// thread.
class FakeImageLoader final : public ILImageLoader {
public:
    struct Request {
        foundation::Ref<foundation::URL> url;
        ILLoadOptions options;
        ILContext context;
        ILImageLoaderCompletedBlock completed;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };

    bool canRequestImageForURL(const foundation::Ref<foundation::URL>& url) override
    {
        return url && accepts;
    }
    std::shared_ptr<ILWebOperation> requestImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
        ILImageLoaderCompletedBlock completed) override;
    bool shouldBlockFailedURLWithURL(
        const foundation::Ref<foundation::URL>&, const foundation::Ref<foundation::Error>& error) override;

    std::size_t requestCount() const;
    Request request(std::size_t index) const;
    // Forgets every request unanswered (their completions may hold what holds this loader).
    void reset();

    bool accepts = true;
    std::vector<Request> requests;

private:
    mutable std::mutex mutex_;
};

} // namespace imagetest
