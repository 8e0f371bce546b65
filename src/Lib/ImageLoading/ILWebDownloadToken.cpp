#include "Lib/ImageLoading/ILWebDownloadToken.h"

#include "Lib/ImageLoading/ILWebDownloaderOperation.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLResponse.h"

std::shared_ptr<ILWebDownloadToken> ILWebDownloadToken::create(
    const std::shared_ptr<ILWebDownloaderOperationProtocol>& operation,
    ILWebDownloaderCancelToken cancelToken)
{
    auto token = std::make_shared<ILWebDownloadToken>(operation, std::move(cancelToken));
    if (const auto object = operation->notificationObject()) {
        std::weak_ptr<ILWebDownloadToken> weak = token;
        token->responseObservation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
            std::string(ILWebDownloadReceiveResponseNotification), object, nullptr,
            [weak](const dispatch::Notification&) {
                auto strong = weak.lock();
                auto op = strong ? strong->operation_.lock() : nullptr;
                if (!op)
                    return;
                std::lock_guard lock(strong->mutex_);
                strong->response_ = op->response();
            });
    }
    return token;
}

ILWebDownloadToken::ILWebDownloadToken(const std::shared_ptr<ILWebDownloaderOperationProtocol>& operation,
    ILWebDownloaderCancelToken cancelToken)
    : url_(operation->request() ? operation->request()->URL() : nullptr)
    , request_(operation->request())
    , operation_(operation)
    , cancelToken_(std::move(cancelToken))
{
}

void ILWebDownloadToken::cancel()
{
    ILWebDownloaderCancelToken entry;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_)
            return;
        cancelled_ = true;
        entry = std::move(cancelToken_);
    }
    if (auto operation = operation_.lock())
        operation->cancel(entry);
}

bool ILWebDownloadToken::isCancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

foundation::Ref<net::URLResponse> ILWebDownloadToken::response() const
{
    std::lock_guard lock(mutex_);
    return response_;
}
