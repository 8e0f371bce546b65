#include "Lib/ImageLoading/ILWebDownloaderValidators.h"

#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/URLRequest.h"

void ILWebDownloaderValidators::record(const std::string& url, const net::HTTPURLResponse& response)
{
    if (response.statusCode() != 200)
        return;
    auto entityTag = response.valueForHTTPHeaderField("ETag");
    auto lastModified = response.valueForHTTPHeaderField("Last-Modified");
    std::lock_guard lock(mutex_);
    if (const auto it = index_.find(url); it != index_.end()) {
        order_.erase(it->second);
        index_.erase(it);
    }
    if (!entityTag && !lastModified)
        return;
    order_.push_front(Entry { url, std::move(entityTag), std::move(lastModified) });
    index_.emplace(url, order_.begin());
    if (order_.size() > capacity_) {
        index_.erase(order_.back().url);
        order_.pop_back();
    }
}

bool ILWebDownloaderValidators::apply(const std::string& url, net::URLRequest& request)
{
    std::lock_guard lock(mutex_);
    const auto it = index_.find(url);
    if (it == index_.end())
        return false;
    order_.splice(order_.begin(), order_, it->second);
    const Entry& entry = *it->second;
    if (entry.entityTag)
        request.setValue(entry.entityTag, "If-None-Match");
    if (entry.lastModified)
        request.setValue(entry.lastModified, "If-Modified-Since");
    return true;
}

std::size_t ILWebDownloaderValidators::count() const
{
    std::lock_guard lock(mutex_);
    return order_.size();
}
