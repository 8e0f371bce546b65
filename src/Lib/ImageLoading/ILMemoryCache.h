#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"
#include "Platform/Dispatch/Subscription.h"

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class ILImageCacheConfig;

// What the image cache asks of its memory cache. Thread-safe.
class ILMemoryCacheProtocol {
public:
    virtual ~ILMemoryCacheProtocol() = default;
    virtual ILImageRef objectForKey(const std::string& key) = 0;
    virtual void setObject(const ILImageRef& image, const std::string& key, std::uint64_t cost) = 0;
    void setObject(const ILImageRef& image, const std::string& key) { setObject(image, key, 0); }
    virtual void removeObjectForKey(const std::string& key) = 0;
    virtual void removeAllObjects() = 0;
};

// Decoded images by key, bounded by a total cost and an object count and evicting the least
// recently used first (a lookup counts as a use). The limits follow the configuration's
// "maxMemoryCost" and "maxMemoryCount" at once. A cost limit of 0 in the configuration means
// defaultCostLimit(): enough for the previews near the viewport, since browsing a large catalogue
// would otherwise keep every preview passed; the disk cache serves the rest. An image that costs
// more than the limit by itself is not kept. Thread-safe.
class ILMemoryCache final : public ILMemoryCacheProtocol, public std::enable_shared_from_this<ILMemoryCache> {
public:
    // With no configuration a fresh one of its own.
    static std::shared_ptr<ILMemoryCache> create(std::shared_ptr<ILImageCacheConfig> config = nullptr);

    // defaultCostLimit(physical memory of this machine).
    static std::uint64_t defaultCostLimit();
    // min(physicalMemory / 64, 32 MiB); 32 MiB when the size is unknown (0).
    static std::uint64_t defaultCostLimit(std::uint64_t physicalMemory);

    ILImageRef objectForKey(const std::string& key) override;
    using ILMemoryCacheProtocol::setObject;
    void setObject(const ILImageRef& image, const std::string& key, std::uint64_t cost) override;
    void removeObjectForKey(const std::string& key) override;
    void removeAllObjects() override;

    const std::shared_ptr<ILImageCacheConfig>& config() const { return config_; }
    // The limits in force (the cost limit is never 0; the count limit 0 means none).
    std::uint64_t totalCostLimit() const;
    std::uint64_t countLimit() const;
    std::uint64_t totalCost() const;
    std::size_t count() const;

    explicit ILMemoryCache(std::shared_ptr<ILImageCacheConfig> config);

private:
    struct Entry {
        std::string key;
        ILImageRef image;
        std::uint64_t cost;
    };
    void applyLimits();
    void evictLocked();
    void eraseLocked(std::list<Entry>::iterator at);

    const std::shared_ptr<ILImageCacheConfig> config_;
    dispatch::Subscription observation_;
    mutable std::mutex mutex_;
    std::list<Entry> order_; // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
    std::uint64_t totalCost_ = 0;
    std::uint64_t costLimit_ = 0;
    std::uint64_t countLimit_ = 0;
};
