#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace net {
class HTTPURLResponse;
class URLRequest;
} // namespace net

// The loading system keeps no URL cache, so the downloader keeps what a refresh needs to
// revalidate: the ETag and Last-Modified of responses it was allowed to cache, by URL, for the
// most recent `capacity` URLs. A refresh sends them as If-None-Match and If-Modified-Since; a
// 304 then means the cached image is current. Thread-safe.
class ILWebDownloaderValidators {
public:
    explicit ILWebDownloaderValidators(std::size_t capacity = 1024)
        : capacity_(capacity)
    {
    }

    // Keeps the validators of a 200 response (or forgets the URL's when it has none).
    void record(const std::string& url, const net::HTTPURLResponse& response);
    // Adds the kept validators to a revalidating request; false when there are none.
    bool apply(const std::string& url, net::URLRequest& request);
    std::size_t count() const;

private:
    struct Entry {
        std::string url;
        std::optional<std::string> entityTag;
        std::optional<std::string> lastModified;
    };

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::list<Entry> order_; // most recent first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};
