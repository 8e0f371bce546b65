#include "Lib/ImageLoading/ILMemoryCache.h"

#include "Lib/ImageLoading/ILImageCacheConfig.h"

#include <algorithm>
#include <unistd.h>

std::shared_ptr<ILMemoryCache> ILMemoryCache::create(std::shared_ptr<ILImageCacheConfig> config)
{
    auto cache = std::make_shared<ILMemoryCache>(config ? std::move(config) : ILImageCacheConfig::create());
    std::weak_ptr<ILMemoryCache> weak = cache;
    cache->observation_ = cache->config_->observeChanges([weak](const std::string& key) {
        if (key != "maxMemoryCost" && key != "maxMemoryCount")
            return;
        if (auto strong = weak.lock())
            strong->applyLimits();
    });
    return cache;
}

ILMemoryCache::ILMemoryCache(std::shared_ptr<ILImageCacheConfig> config)
    : config_(std::move(config))
{
    applyLimits();
}

std::uint64_t ILMemoryCache::defaultCostLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return defaultCostLimit(0);
    return defaultCostLimit(static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize));
}

std::uint64_t ILMemoryCache::defaultCostLimit(std::uint64_t physicalMemory)
{
    // About 170 catalogue previews (a decoded preview is some 190 KB), twenty screens of rows: the
    // client starts at about 160 MB, and browsing a whole catalogue should grow it by less than a
    // third of that.
    constexpr std::uint64_t ceiling = 32ull * 1024 * 1024;
    if (physicalMemory == 0)
        return ceiling;
    return std::max<std::uint64_t>(1, std::min(physicalMemory / 64, ceiling));
}

void ILMemoryCache::applyLimits()
{
    const std::uint64_t cost = config_->maxMemoryCost();
    const std::uint64_t count = config_->maxMemoryCount();
    std::lock_guard lock(mutex_);
    costLimit_ = cost ? cost : defaultCostLimit();
    countLimit_ = count;
    evictLocked();
}

ILImageRef ILMemoryCache::objectForKey(const std::string& key)
{
    std::lock_guard lock(mutex_);
    const auto it = index_.find(key);
    if (it == index_.end())
        return nullptr;
    order_.splice(order_.begin(), order_, it->second);
    return it->second->image;
}

void ILMemoryCache::setObject(const ILImageRef& image, const std::string& key, std::uint64_t cost)
{
    if (!image)
        return removeObjectForKey(key);
    std::lock_guard lock(mutex_);
    if (const auto it = index_.find(key); it != index_.end())
        eraseLocked(it->second);
    if (cost > costLimit_)
        return;
    order_.push_front(Entry { key, image, cost });
    index_.emplace(key, order_.begin());
    totalCost_ += cost;
    evictLocked();
}

void ILMemoryCache::removeObjectForKey(const std::string& key)
{
    ILImageRef released; // let the image go outside the lock
    std::lock_guard lock(mutex_);
    if (const auto it = index_.find(key); it != index_.end()) {
        released = it->second->image;
        eraseLocked(it->second);
    }
}

void ILMemoryCache::removeAllObjects()
{
    std::list<Entry> released;
    std::lock_guard lock(mutex_);
    released.swap(order_);
    index_.clear();
    totalCost_ = 0;
}

void ILMemoryCache::eraseLocked(std::list<Entry>::iterator at)
{
    totalCost_ -= at->cost;
    index_.erase(at->key);
    order_.erase(at);
}

void ILMemoryCache::evictLocked()
{
    while (!order_.empty() && (totalCost_ > costLimit_ || (countLimit_ && order_.size() > countLimit_)))
        eraseLocked(std::prev(order_.end()));
}

std::uint64_t ILMemoryCache::totalCostLimit() const
{
    std::lock_guard lock(mutex_);
    return costLimit_;
}

std::uint64_t ILMemoryCache::countLimit() const
{
    std::lock_guard lock(mutex_);
    return countLimit_;
}

std::uint64_t ILMemoryCache::totalCost() const
{
    std::lock_guard lock(mutex_);
    return totalCost_;
}

std::size_t ILMemoryCache::count() const
{
    std::lock_guard lock(mutex_);
    return order_.size();
}
