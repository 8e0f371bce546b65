#pragma once

#include "Lib/ImageLoading/ILWebDownloaderOperationProtocol.h"
#include "Platform/Dispatch/Operation.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/Subscription.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace foundation {
class Dictionary;
}
class ILImageCoder;
class ILWebDownloadBuffer;

// The notifications of a download, posted on the main queue with the operation's
// notificationObject() as object.
inline constexpr std::string_view ILWebDownloadStartNotification = "ILWebDownloadStartNotification";
inline constexpr std::string_view ILWebDownloadReceiveResponseNotification
    = "ILWebDownloadReceiveResponseNotification";
inline constexpr std::string_view ILWebDownloadStopNotification = "ILWebDownloadStopNotification";
inline constexpr std::string_view ILWebDownloadFinishNotification = "ILWebDownloadFinishNotification";

// The object a download's notifications carry: it names the operation without keeping it alive.
class ILWebDownloadNotificationObject final : public foundation::Object {
public:
    explicit ILWebDownloadNotificationObject(std::weak_ptr<ILWebDownloaderOperationProtocol> operation)
        : operation_(std::move(operation))
    {
    }
    std::shared_ptr<ILWebDownloaderOperationProtocol> operation() const { return operation_.lock(); }

private:
    std::weak_ptr<ILWebDownloaderOperationProtocol> operation_;
};

// One URL's download, shared by every requester of that URL (each adds its blocks and may leave
// alone). It runs one data task of the session it was given, reports progress to every
// requester, decodes partial data on its own serial coder queue when asked for progressive
// loading, decodes the whole body there at the end, and hands image or error to every requester
// on the main queue. It stays executing until that final decode has ended.
//
// Bodies are capped: a response announcing more than kMaximumBodyLength, or a body growing past
// it, ends with NSURLErrorDomain -1103; the buffer is never reserved beyond kMaximumReserve.
//
// Thread-safety: the requesters' blocks, the task and the state of a start or cancel are guarded
// by one mutex; task callbacks come from the session's delegate queue one at a time.
class ILWebDownloaderOperation final : public dispatch::Operation, public ILWebDownloaderOperationProtocol {
public:
    static constexpr std::uint64_t kMaximumBodyLength = 64ull * 1024 * 1024;
    static constexpr std::size_t kMaximumReserve = 8u * 1024 * 1024;

    static std::shared_ptr<ILWebDownloaderOperation> create(const foundation::Ref<net::URLRequest>& request,
        const foundation::Ref<net::URLSession>& session, ILWebDownloaderOptions options,
        const foundation::Ref<foundation::Dictionary>& context = nullptr);
    // The load options the decoders read, from download options.
    static ILLoadOptions imageOptionsFromDownloaderOptions(ILWebDownloaderOptions options);

    bool isAsynchronous() const override { return true; }

    // nil once the operation is ending (its final answer is being delivered).
    ILWebDownloaderCancelToken addHandlersForProgress(
        ILImageLoaderProgressBlock progress, ILImageLoaderCompletedBlock completed) override;
    using dispatch::Operation::cancel;
    bool cancel(const ILWebDownloaderCancelToken& token) override;
    foundation::Ref<net::URLRequest> request() const override { return request_; }
    foundation::Ref<net::URLResponse> response() const override;
    ILWebDownloaderOptions options() const override { return options_; }
    foundation::Ref<net::URLSessionTask> dataTask() const override;
    foundation::Ref<net::URLCredential> credential() const override;
    void setCredential(foundation::Ref<net::URLCredential> credential) override;
    double minimumProgressInterval() const override;
    void setMinimumProgressInterval(double interval) override;
    void setTaskCreatedHandler(
        std::function<void(const foundation::Ref<net::URLSessionTask>&)> handler) override;
    foundation::Id notificationObject() const override { return foundation::Id(notificationObject_); }
    const foundation::Ref<foundation::Dictionary>& context() const { return context_; }
    // Only background sessions continue downloads here; none exist on this platform.
    bool shouldContinueWhenAppEntersBackground() const
    {
        return (options_ & ILWebDownloaderContinueInBackground) != 0;
    }

    void didReceiveResponse(const foundation::Ref<net::URLSession>& session,
        const foundation::Ref<net::URLSessionDataTask>& task,
        const foundation::Ref<net::URLResponse>& response, net::ResponseHandler handler) override;
    void didReceiveData(const foundation::Ref<net::URLSession>& session,
        const foundation::Ref<net::URLSessionDataTask>& task,
        const foundation::Ref<foundation::Data>& data) override;
    void didCompleteWithError(const foundation::Ref<net::URLSession>& session,
        const foundation::Ref<net::URLSessionTask>& task,
        const foundation::Ref<foundation::Error>& error) override;
    void didReceiveChallenge(const foundation::Ref<net::URLSession>& session,
        const foundation::Ref<net::URLSessionTask>& task,
        const foundation::Ref<net::URLAuthenticationChallenge>& challenge,
        net::ChallengeHandler handler) override;

    // Use create().
    ILWebDownloaderOperation(const foundation::Ref<net::URLRequest>& request,
        const foundation::Ref<net::URLSession>& session, ILWebDownloaderOptions options,
        const foundation::Ref<foundation::Dictionary>& context);
    ~ILWebDownloaderOperation() override;

protected:
    void main() override;

private:
    void cancelled();
    void done();
    void reset();
    std::vector<ILImageLoaderProgressBlock> progressBlocks() const;
    void callProgress(std::int64_t received, std::int64_t expected);
    void callCompletion(const ILImageRef& image, const foundation::Ref<foundation::Data>& data,
        const foundation::Ref<foundation::Error>& error, bool finished);
    void decodePartial(bool finished);
    void decodeFinal(const foundation::Ref<foundation::Data>& data);
    void post(std::string_view name) const;

    const foundation::Ref<net::URLRequest> request_;
    const std::weak_ptr<net::URLSession> unownedSession_;
    const ILWebDownloaderOptions options_;
    const foundation::Ref<foundation::Dictionary> context_;
    const dispatch::QueueRef coderQueue_;
    foundation::Ref<ILWebDownloadNotificationObject> notificationObject_;
    dispatch::Subscription cancelObservation_;

    mutable std::mutex mutex_;
    std::vector<ILWebDownloaderCancelToken> callbacks_;
    foundation::Ref<net::URLSessionTask> dataTask_;
    foundation::Ref<net::URLSession> ownedSession_;
    foundation::Ref<net::URLResponse> response_;
    foundation::Ref<net::URLCredential> credential_;
    foundation::Ref<foundation::Error> responseError_;
    std::function<void(const foundation::Ref<net::URLSessionTask>&)> taskCreated_;
    double minimumProgressInterval_ = 0;
    bool started_ = false;
    // Set once the final answer is on its way: a requester that comes later needs a new operation.
    bool ending_ = false;

    // Delegate-queue state.
    std::shared_ptr<ILWebDownloadBuffer> buffer_;
    std::int64_t expectedSize_ = 0;
    double previousProgress_ = 0;
    // Partial decodes waiting on the coder queue: only the newest needs to run.
    std::shared_ptr<std::atomic<int>> pendingPartialDecodes_ = std::make_shared<std::atomic<int>>(0);
    // The progressive decoder between partial decodes (coder queue only).
    foundation::Ref<ILImageCoder> progressiveCoder_;
};
