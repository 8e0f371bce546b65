#pragma once

#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace dispatch {
class Progress;
}

namespace foundation {
class Data;
class Error;
class MutableData;
class URL;
} // namespace foundation

namespace net {
class URLResponse;
class URLSession;
class URLSessionDataTask;
class URLSessionDownloadTask;
class URLSessionTask;
} // namespace net

class NKURLSessionManager;

// Block shapes of the HTTP client layer.
using NKProgressBlock = std::function<void(const std::shared_ptr<dispatch::Progress>& progress)>;
using NKCompletionHandler = std::function<void(const foundation::Ref<net::URLResponse>& response, const foundation::Id& responseObject,
                                               const foundation::Ref<foundation::Error>& error)>;
using NKDownloadDestinationBlock = std::function<foundation::Ref<foundation::URL>(const foundation::Ref<foundation::URL>& temporaryURL,
                                                                                  const foundation::Ref<net::URLResponse>& response)>;
using NKDownloadTaskDidFinishDownloadingBlock = std::function<foundation::Ref<foundation::URL>(
    const foundation::Ref<net::URLSession>& session, const foundation::Ref<net::URLSessionDownloadTask>& task,
    const foundation::Ref<foundation::URL>& location)>;

// The manager's private companion of one task: collects the reply's bytes, keeps the upload and
// download progress, moves a finished download to its destination and, when the task ends,
// decodes the reply on the processing queue and calls the completion on the completion queue.
// Used on the session's delegate queue only (the progress blocks run there too).
class NKURLSessionManagerTaskDelegate final : public foundation::Object {
public:
    explicit NKURLSessionManagerTaskDelegate(const foundation::Ref<net::URLSessionTask>& task); // initWithTask
    ~NKURLSessionManagerTaskDelegate() override;
    NKURLSessionManagerTaskDelegate(const NKURLSessionManagerTaskDelegate&) = delete;
    NKURLSessionManagerTaskDelegate& operator=(const NKURLSessionManagerTaskDelegate&) = delete;

    std::weak_ptr<NKURLSessionManager> manager;
    NKDownloadTaskDidFinishDownloadingBlock downloadTaskDidFinishDownloading;
    NKProgressBlock uploadProgressBlock;
    NKProgressBlock downloadProgressBlock;
    NKCompletionHandler completionHandler;

    const std::shared_ptr<dispatch::Progress>& uploadProgress() const { return uploadProgress_; }
    const std::shared_ptr<dispatch::Progress>& downloadProgress() const { return downloadProgress_; }
    const foundation::Ref<foundation::URL>& downloadFileURL() const { return downloadFileURL_; }
    void setDownloadFileURL(foundation::Ref<foundation::URL> url) { downloadFileURL_ = std::move(url); }
    // A failed move of the downloaded file; the completion reports it instead of success.
    void setMoveError(foundation::Ref<foundation::Error> error) { moveError_ = std::move(error); }

    void didCompleteWithError(const foundation::Ref<net::URLSession>& session, const foundation::Ref<net::URLSessionTask>& task,
                              const foundation::Ref<foundation::Error>& error);
    void didReceiveData(const foundation::Ref<net::URLSessionDataTask>& task, const foundation::Ref<foundation::Data>& data);
    void didSendBodyData(const foundation::Ref<net::URLSessionTask>& task);
    void didWriteData(std::int64_t totalBytesWritten, std::int64_t totalBytesExpectedToWrite);
    void didResumeAtOffset(std::int64_t fileOffset, std::int64_t expectedTotalBytes);
    void didFinishDownloadingToURL(const foundation::Ref<net::URLSession>& session, const foundation::Ref<net::URLSessionDownloadTask>& task,
                                   const foundation::Ref<foundation::URL>& location);

private:
    foundation::Ref<foundation::MutableData> mutableData_;
    std::shared_ptr<dispatch::Progress> uploadProgress_;
    std::shared_ptr<dispatch::Progress> downloadProgress_;
    foundation::Ref<foundation::URL> downloadFileURL_;
    foundation::Ref<foundation::Error> moveError_;
    // Last, so the observations end before the blocks they call are destroyed.
    dispatch::Subscription uploadObservation_;
    dispatch::Subscription downloadObservation_;
};

// Moves a downloaded file to `destination`, replacing an existing file atomically (also across
// file systems). False with a file error when it cannot.
bool NKMoveDownloadedFile(const foundation::Ref<foundation::URL>& from, const foundation::Ref<foundation::URL>& destination,
                          foundation::Ref<foundation::Error>* error);

// Posts "com.ostrelle.networking.session.download.file-manager-error" for `task`.
void NKPostMoveFailure(const foundation::Ref<net::URLSessionTask>& task, const foundation::Ref<foundation::Error>& error);
