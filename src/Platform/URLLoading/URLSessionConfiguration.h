#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/URLLoading/URLRequest.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace net {

// Settings a session is made from (NSURLSessionConfiguration). A session keeps its own copy.
class URLSessionConfiguration final : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<URLSessionConfiguration> defaultSessionConfiguration();
    static foundation::Ref<URLSessionConfiguration> ephemeralSessionConfiguration();

    std::optional<std::string> identifier;
    double timeoutIntervalForRequest = 60.0; // idle time-out: no bytes for this long
    double timeoutIntervalForResource = 604800.0; // whole-task limit, 7 days
    long HTTPMaximumConnectionsPerHost = 6;
    // Bytes of response body a data or upload task may receive, counted after decoding (so a
    // compressed body is bounded by what it inflates to); 0 means no limit. A longer body, or a
    // plain one announcing more, fails the task with NSURLErrorDataLengthExceedsMaximum. Download
    // tasks stream to disk and are bounded by the free space and downloadLengthLimit instead.
    std::int64_t responseBodyLimit = 0;
    // Bytes a download task may write to its file, counted the same way; 0 means no limit. A
    // longer body, or a plain one announcing more, fails the task with
    // NSURLErrorDataLengthExceedsMaximum, and its file is removed.
    std::int64_t downloadLengthLimit = 0;
    // Bytes a download task leaves free on the file system of its file, so that no number of
    // downloads at once, announced lengths or endless bodies alike, fills the disk. A body whose
    // announced length would leave less fails before it is written; while writing, the free space
    // is asked again every downloadFreeSpaceCheckBytes, and a download that would leave less
    // fails there; before failing, it asks the holders of data fetched again on demand to give
    // room back (foundation::reclaimDiskRoom) and asks once more. Both fail as a full disk does
    // (NSURLErrorCannotWriteToFile over an out-of-space file error) and the file is removed. 0 keeps only the
    // disk's own end.
    std::uint64_t downloadFreeSpaceReserve = 0;
    static constexpr std::int64_t downloadFreeSpaceCheckBytes = 1024 * 1024;
    // The free bytes of the file system holding `path` (nullopt: unknown, nothing is refused);
    // unset, the system is asked. Called on the session's engine thread.
    std::function<std::optional<std::uint64_t>(const std::string& path)> freeSpaceProbe;
    bool HTTPShouldSetCookies = true;
    bool HTTPShouldUsePipelining = false;
    bool allowsCellularAccess = true;
    URLRequestCachePolicy requestCachePolicy = URLRequestCachePolicy::UseProtocolCachePolicy;
    std::vector<std::pair<std::string, std::string>> HTTPAdditionalHeaders;
    bool ephemeral = false;

    foundation::Ref<URLSessionConfiguration> clone() const
    {
        return std::make_shared<URLSessionConfiguration>(*this);
    }
    foundation::Ref<Object> copy() const override { return clone(); }
    std::string description() const override;

    URLSessionConfiguration() = default;
    URLSessionConfiguration(const URLSessionConfiguration&) = default;
};

} // namespace net
