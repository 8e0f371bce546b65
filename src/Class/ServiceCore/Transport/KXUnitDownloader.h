#pragma once

#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Dictionary.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>

namespace dispatch {
class OperationQueue;
}

// A second font downloader that nothing in the client calls: it fetches "data_download" of a
// dictionary into the user's Documents folder (under the server's suggested file name when it is a
// safe base name of a kind the client downloads, else the URL's hash: KXDownloadFileName). A URL
// that is being fetched is not fetched again. A body longer than maximumDownloadBytes() fails the
// download (NSURLErrorDataLengthExceedsMaximum) and leaves no file.
//
// Thread-safety: the bookkeeping dictionaries are guarded by the downloader's mutex; progress,
// success and failure are called on the main queue.
class KXUnitDownloader : public std::enable_shared_from_this<KXUnitDownloader> {
public:
    static std::shared_ptr<KXUnitDownloader> create();
    // `documents` receives the files (default: ~/Documents).
    static std::shared_ptr<KXUnitDownloader> create(std::filesystem::path documents);

    // URL text -> download task, and URL text -> operation; made empty on first read.
    foundation::Ref<foundation::MutableDictionary> downLoadTaskA();
    foundation::Ref<foundation::MutableDictionary> operations();
    // Five operations at most at once.
    std::shared_ptr<dispatch::OperationQueue> fontsQueue();

    // `percent` gets the bytes received so far (a count, not a fraction); `sucess` gets
    // {"path": the file}; `fail` gets the error's user info.
    void downloadWithUrlD(const foundation::Ref<foundation::Dictionary>& info, const std::function<void(float)>& percent,
                          const std::function<void(const foundation::Ref<foundation::Dictionary>&)>& sucess,
                          const std::function<void(const foundation::Ref<foundation::Dictionary>&)>& fail);

    // At most KXSessionLimits::kMaximumDownloadBytes unless set lower (tests); for downloads
    // started from then on.
    std::int64_t maximumDownloadBytes() const { return maximumDownloadBytes_; }
    void setMaximumDownloadBytes(std::int64_t bytes) { maximumDownloadBytes_ = bytes; }

    explicit KXUnitDownloader(std::filesystem::path documents);

private:
    std::filesystem::path documents_;
    std::atomic<std::int64_t> maximumDownloadBytes_;
    std::mutex mutex_; // the contents of the two dictionaries
    foundation::Atomic<foundation::Ref<foundation::MutableDictionary>> downLoadTaskA_;
    foundation::Atomic<foundation::Ref<foundation::MutableDictionary>> operations_;
    foundation::Atomic<std::shared_ptr<dispatch::OperationQueue>> fontsQueue_;
};
