#pragma once

#include "Lib/ImageLoading/ILWebDownloaderOperationProtocol.h"
#include "Platform/Dispatch/Subscription.h"

#include <memory>
#include <mutex>

// One requester's handle on a download: cancelling it removes that requester alone, and the
// download itself when it was the last one. It learns the response when its operation posts
// "ILWebDownloadReceiveResponseNotification". Thread-safe.
class ILWebDownloadToken final : public ILWebOperation,
                                 public std::enable_shared_from_this<ILWebDownloadToken> {
public:
    static std::shared_ptr<ILWebDownloadToken> create(
        const std::shared_ptr<ILWebDownloaderOperationProtocol>& operation,
        ILWebDownloaderCancelToken cancelToken);

    void cancel() override;
    bool isCancelled() const;

    const foundation::Ref<foundation::URL>& url() const { return url_; }
    const foundation::Ref<net::URLRequest>& request() const { return request_; }
    foundation::Ref<net::URLResponse> response() const;
    std::shared_ptr<ILWebDownloaderOperationProtocol> downloadOperation() const { return operation_.lock(); }

    ILWebDownloadToken(const std::shared_ptr<ILWebDownloaderOperationProtocol>& operation,
        ILWebDownloaderCancelToken cancelToken);

private:
    const foundation::Ref<foundation::URL> url_;
    const foundation::Ref<net::URLRequest> request_;
    const std::weak_ptr<ILWebDownloaderOperationProtocol> operation_;
    dispatch::Subscription responseObservation_;
    mutable std::mutex mutex_;
    ILWebDownloaderCancelToken cancelToken_;
    foundation::Ref<net::URLResponse> response_;
    bool cancelled_ = false;
};
