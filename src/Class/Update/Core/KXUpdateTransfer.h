#pragma once

#include "Platform/Foundation/Object.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace net {
class URLSession;
}

// One transfer of the update package into the transport's download folder, under the name the
// server suggests (made safe), cut off at the size the version reply announced: a response that
// announces more, or a body that grows past it, is stopped at once and its partial file deleted.
// The bytes go to a private temporary file beside the target (owner only) and replace an older
// file of that name only once the whole body has arrived.
//
// Progress is reported on the transfer's own queue, only when the whole percentage of the
// announced size has grown; the end is reported once, on the main queue. Dropping the object
// cancels the transfer (its end is then reported as Failed, with its partial file deleted).
//
// Before anything is fetched, the free space of the download folder is checked against the
// announced size: too little ends the transfer as NoSpace, as does a write the disk refuses for
// want of room. The session also holds the service core's download ceiling
// (KXSessionLimits::kMaximumDownloadBytes), counted after decoding.
class KXUpdateTransfer {
public:
    enum class Outcome { Done, Failed, Oversized, NoSpace };
    using Progress = std::function<void(float fraction)>;
    // `file` is the downloaded package for Done, else empty (nothing is left on disk).
    using Completion = std::function<void(Outcome outcome, const std::filesystem::path& file)>;

    static std::unique_ptr<KXUpdateTransfer> start(
        const std::string& url, long long announcedSize, Progress progress, Completion completion);
    ~KXUpdateTransfer();
    KXUpdateTransfer(const KXUpdateTransfer&) = delete;
    KXUpdateTransfer& operator=(const KXUpdateTransfer&) = delete;

private:
    struct Job;
    explicit KXUpdateTransfer(foundation::Ref<net::URLSession> session);

    foundation::Ref<net::URLSession> session_;
};
