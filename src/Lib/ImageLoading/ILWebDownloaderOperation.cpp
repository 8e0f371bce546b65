#include "Lib/ImageLoading/ILWebDownloaderOperation.h"

#include "Lib/ImageLoading/ILImageCoder.h"
#include "Lib/ImageLoading/ILImageDecoding.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Security/Trust.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/URLAuthenticationChallenge.h"
#include "Platform/URLLoading/URLCredential.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionDataTask.h"

#include <algorithm>

using foundation::Data;
using foundation::Ref;

namespace {
constexpr long long kDataLengthExceedsMaximum = -1103;
}

// The body received so far: appended on the session's delegate queue, read by the coder queue's
// partial decodes, which copy out only the length they decode.
class ILWebDownloadBuffer {
public:
    void append(const Data& data)
    {
        std::lock_guard lock(mutex_);
        bytes_.insert(bytes_.end(), data.bytes(), data.bytes() + data.length());
    }
    void reserve(std::size_t bytes)
    {
        std::lock_guard lock(mutex_);
        bytes_.reserve(bytes);
    }
    std::size_t length() const
    {
        std::lock_guard lock(mutex_);
        return bytes_.size();
    }
    Ref<Data> snapshot() const
    {
        std::lock_guard lock(mutex_);
        return Data::create(std::span(bytes_));
    }
    Ref<Data> take()
    {
        std::lock_guard lock(mutex_);
        return Data::create(std::move(bytes_));
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::uint8_t> bytes_;
};

std::shared_ptr<ILWebDownloaderOperation> ILWebDownloaderOperation::create(
    const Ref<net::URLRequest>& request, const Ref<net::URLSession>& session, ILWebDownloaderOptions options,
    const Ref<foundation::Dictionary>& context)
{
    auto operation = std::make_shared<ILWebDownloaderOperation>(request, session, options, context);
    std::weak_ptr<ILWebDownloaderOperation> weak = operation;
    operation->notificationObject_ = std::make_shared<ILWebDownloadNotificationObject>(weak);
    // Cancelling the operation (by its queue, a requester or cancelAllDownloads) ends its task.
    operation->cancelObservation_
        = operation->observeChanges([weak](dispatch::Operation&, const std::string& key) {
              if (key != "isCancelled")
                  return;
              if (auto strong = weak.lock())
                  strong->cancelled();
          });
    return operation;
}

ILWebDownloaderOperation::ILWebDownloaderOperation(const Ref<net::URLRequest>& request,
    const Ref<net::URLSession>& session, ILWebDownloaderOptions options,
    const Ref<foundation::Dictionary>& context)
    : request_(request ? request->clone() : nullptr)
    , unownedSession_(session)
    , options_(options)
    , context_(context ? std::dynamic_pointer_cast<foundation::Dictionary>(context->copy()) : nullptr)
    , coderQueue_(dispatch::makeSerialQueue("com.tallowind.ILWebDownloaderOperationCoderQueue"))
{
}

ILWebDownloaderOperation::~ILWebDownloaderOperation()
{
    if (ownedSession_)
        ownedSession_->invalidateAndCancel();
}

ILLoadOptions ILWebDownloaderOperation::imageOptionsFromDownloaderOptions(ILWebDownloaderOptions options)
{
    ILLoadOptions result = 0;
    if (options & ILWebDownloaderScaleDownLargeImages)
        result |= ILLoadScaleDownLargeImages;
    if (options & ILWebDownloaderAvoidDecodeImage)
        result |= ILLoadAvoidDecodeImage;
    if (options & ILWebDownloaderDecodeFirstFrameOnly)
        result |= ILLoadDecodeFirstFrameOnly;
    if (options & ILWebDownloaderPreloadAllFrames)
        result |= ILLoadPreloadAllFrames;
    if (options & ILWebDownloaderMatchAnimatedImageClass)
        result |= ILLoadMatchAnimatedImageClass;
    return result;
}

ILWebDownloaderCancelToken ILWebDownloaderOperation::addHandlersForProgress(
    ILImageLoaderProgressBlock progress, ILImageLoaderCompletedBlock completed)
{
    auto entry = std::make_shared<ILWebDownloaderCallbacks>(
        ILWebDownloaderCallbacks { std::move(progress), std::move(completed) });
    std::lock_guard lock(mutex_);
    if (ending_)
        return nullptr;
    callbacks_.push_back(entry);
    return entry;
}

bool ILWebDownloaderOperation::cancel(const ILWebDownloaderCancelToken& token)
{
    if (!token)
        return false;
    bool last = false;
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find(callbacks_.begin(), callbacks_.end(), token);
        if (it == callbacks_.end())
            return false;
        last = callbacks_.size() == 1;
        if (!last)
            callbacks_.erase(it);
    }
    if (last) {
        dispatch::Operation::cancel();
        return true;
    }
    if (auto completed = token->completed)
        ILDispatchMainAsyncSafe(
            [completed] { completed(nullptr, nullptr, ILWebMakeError(ILWebErrorCancelled), true); });
    return false;
}

Ref<net::URLResponse> ILWebDownloaderOperation::response() const
{
    std::lock_guard lock(mutex_);
    return response_;
}

Ref<net::URLSessionTask> ILWebDownloaderOperation::dataTask() const
{
    std::lock_guard lock(mutex_);
    return dataTask_;
}

Ref<net::URLCredential> ILWebDownloaderOperation::credential() const
{
    std::lock_guard lock(mutex_);
    return credential_;
}

void ILWebDownloaderOperation::setCredential(Ref<net::URLCredential> credential)
{
    std::lock_guard lock(mutex_);
    credential_ = std::move(credential);
}

double ILWebDownloaderOperation::minimumProgressInterval() const
{
    std::lock_guard lock(mutex_);
    return minimumProgressInterval_;
}

void ILWebDownloaderOperation::setMinimumProgressInterval(double interval)
{
    std::lock_guard lock(mutex_);
    minimumProgressInterval_ = std::clamp(interval, 0.0, 1.0);
}

void ILWebDownloaderOperation::setTaskCreatedHandler(
    std::function<void(const Ref<net::URLSessionTask>&)> handler)
{
    std::lock_guard lock(mutex_);
    taskCreated_ = std::move(handler);
}

void ILWebDownloaderOperation::post(std::string_view name) const
{
    dispatch::mainQueue().async([name = std::string(name), object = notificationObject_] {
        dispatch::NotificationCenter::defaultCenter().post(name, foundation::Id(object));
    });
}

void ILWebDownloaderOperation::main()
{
    Ref<net::URLSessionTask> task;
    {
        std::lock_guard lock(mutex_);
        if (isCancelled()) {
            // Cancelled between the queue's start and now: the cancel already told the requesters.
            started_ = true;
        } else {
            started_ = true;
            Ref<net::URLSession> session = unownedSession_.lock();
            if (!session) {
                auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
                configuration->timeoutIntervalForRequest = 15;
                std::weak_ptr<ILWebDownloaderOperation> weak
                    = std::static_pointer_cast<ILWebDownloaderOperation>(
                        dispatch::Operation::shared_from_this());
                auto delegate = std::make_shared<net::URLSessionDelegate>();
                delegate->didReceiveResponse = [weak](auto& s, auto& t, auto& r, net::ResponseHandler h) {
                    if (auto op = weak.lock())
                        op->didReceiveResponse(s, t, r, std::move(h));
                    else
                        h(net::ResponseDisposition::Cancel);
                };
                delegate->didReceiveData = [weak](auto& s, auto& t, auto& d) {
                    if (auto op = weak.lock())
                        op->didReceiveData(s, t, d);
                };
                delegate->didCompleteWithError = [weak](auto& s, auto& t, auto& e) {
                    if (auto op = weak.lock())
                        op->didCompleteWithError(s, t, e);
                };
                ownedSession_ = net::URLSession::sessionWithConfiguration(configuration, delegate);
                session = ownedSession_;
            }
            try {
                dataTask_ = session->dataTaskWithRequest(request_);
            } catch (const foundation::Exception&) {
                // The session was invalidated meanwhile (its downloader went away): no task.
            }
            task = dataTask_;
            if (task && taskCreated_)
                taskCreated_(task);
        }
    }
    if (isCancelled()) {
        if (task)
            task->cancel();
        finish();
        return;
    }
    if (!task) {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
        }
        callCompletion(nullptr, nullptr,
            ILWebMakeError(ILWebErrorInvalidDownloadOperation, "Task can't be initialized"), true);
        done();
        return;
    }
    if (options_ & ILWebDownloaderHighPriority)
        task->setPriority(net::URLSessionTaskPriorityHigh);
    else if (options_ & ILWebDownloaderLowPriority)
        task->setPriority(net::URLSessionTaskPriorityLow);
    task->resume();
    callProgress(0, -1);
    post(ILWebDownloadStartNotification);
}

void ILWebDownloaderOperation::cancelled()
{
    Ref<net::URLSessionTask> task;
    {
        std::lock_guard lock(mutex_);
        if (isFinished())
            return;
        ending_ = true;
        task = dataTask_;
    }
    if (task) {
        task->cancel();
        post(ILWebDownloadStopNotification);
    }
    callCompletion(nullptr, nullptr, ILWebMakeError(ILWebErrorCancelled), true);
    reset();
    if (task)
        finish();
}

void ILWebDownloaderOperation::done()
{
    reset();
    finish();
}

void ILWebDownloaderOperation::reset()
{
    Ref<net::URLSession> owned;
    {
        std::lock_guard lock(mutex_);
        callbacks_.clear();
        dataTask_ = nullptr;
        owned = std::move(ownedSession_);
    }
    if (owned)
        owned->invalidateAndCancel();
}

std::vector<ILImageLoaderProgressBlock> ILWebDownloaderOperation::progressBlocks() const
{
    std::vector<ILImageLoaderProgressBlock> blocks;
    std::lock_guard lock(mutex_);
    for (const auto& entry : callbacks_)
        if (entry->progress)
            blocks.push_back(entry->progress);
    return blocks;
}

void ILWebDownloaderOperation::callProgress(std::int64_t received, std::int64_t expected)
{
    const auto url = request_->URL();
    for (const auto& block : progressBlocks())
        block(received, expected, url);
}

void ILWebDownloaderOperation::callCompletion(
    const ILImageRef& image, const Ref<Data>& data, const Ref<foundation::Error>& error, bool finished)
{
    std::vector<ILImageLoaderCompletedBlock> blocks;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : callbacks_)
            if (entry->completed)
                blocks.push_back(entry->completed);
    }
    if (blocks.empty())
        return;
    ILDispatchMainAsyncSafe([blocks = std::move(blocks), image, data, error, finished] {
        for (const auto& block : blocks)
            block(image, data, error, finished);
    });
}

void ILWebDownloaderOperation::didReceiveResponse(const Ref<net::URLSession>&,
    const Ref<net::URLSessionDataTask>&, const Ref<net::URLResponse>& response, net::ResponseHandler handler)
{
    expectedSize_ = std::max<std::int64_t>(response ? response->expectedContentLength() : 0, 0);
    Ref<foundation::Error> failure;
    if (const auto http = std::dynamic_pointer_cast<net::HTTPURLResponse>(response)) {
        const long status = http->statusCode();
        if (status < 200 || status >= 400) {
            failure
                = foundation::Error::errorWithDomain(ILWebErrorDomain, ILWebErrorInvalidDownloadStatusCode,
                    foundation::Dictionary::create(
                        { { foundation::Id(ILWebErrorDownloadStatusCodeKey), foundation::Id(status) } }));
        } else if (status == 304) {
            // No body of an earlier response is kept, so a 304 always means "the copy you have".
            failure = ILWebMakeError(ILWebErrorCacheNotModified);
        }
    }
    if (!failure && static_cast<std::uint64_t>(expectedSize_) > kMaximumBodyLength)
        failure = net::makeURLError(kDataLengthExceedsMaximum, request_->URL());
    {
        std::lock_guard lock(mutex_);
        response_ = response;
        responseError_ = failure;
    }
    if (!failure)
        callProgress(0, expectedSize_);
    post(ILWebDownloadReceiveResponseNotification);
    handler(failure ? net::ResponseDisposition::Cancel : net::ResponseDisposition::Allow);
}

void ILWebDownloaderOperation::didReceiveData(
    const Ref<net::URLSession>&, const Ref<net::URLSessionDataTask>& task, const Ref<Data>& data)
{
    if (!data)
        return;
    if (!buffer_) {
        buffer_ = std::make_shared<ILWebDownloadBuffer>();
        buffer_->reserve(static_cast<std::size_t>(std::min<std::int64_t>(expectedSize_, kMaximumReserve)));
    }
    if (buffer_->length() + data->length() > kMaximumBodyLength) {
        {
            std::lock_guard lock(mutex_);
            responseError_ = net::makeURLError(kDataLengthExceedsMaximum, request_->URL());
        }
        if (task)
            task->cancel();
        return;
    }
    buffer_->append(*data);
    const auto received = static_cast<std::int64_t>(buffer_->length());
    if (expectedSize_ == 0) {
        callProgress(received, 0);
        return;
    }
    const bool finished = received >= expectedSize_;
    const double current = static_cast<double>(received) / static_cast<double>(expectedSize_);
    if (!finished && current - previousProgress_ < minimumProgressInterval())
        return;
    previousProgress_ = current;
    // Once the body is complete the final decode follows at once: a partial one would only be
    // replaced by it.
    if ((options_ & ILWebDownloaderProgressiveLoad) && !finished)
        decodePartial(false);
    callProgress(received, expectedSize_);
}

void ILWebDownloaderOperation::decodePartial(bool finished)
{
    pendingPartialDecodes_->fetch_add(1);
    std::weak_ptr<ILWebDownloaderOperation> weak
        = std::static_pointer_cast<ILWebDownloaderOperation>(dispatch::Operation::shared_from_this());
    coderQueue_->async([weak, buffer = buffer_, pending = pendingPartialDecodes_, finished] {
        // A newer partial decode is queued behind this one and will see more data.
        if (pending->fetch_sub(1) > 1 && !finished)
            return;
        auto self = weak.lock();
        if (!self || self->isFinished())
            return;
        const auto image = ILDecodePartialDownload(buffer->snapshot(), self->request_->URL(), finished,
            self->progressiveCoder_, imageOptionsFromDownloaderOptions(self->options_), self->context_);
        if (image)
            self->callCompletion(image, nullptr, nullptr, false);
    });
}

void ILWebDownloaderOperation::decodeFinal(const Ref<Data>& data)
{
    std::weak_ptr<ILWebDownloaderOperation> weak
        = std::static_pointer_cast<ILWebDownloaderOperation>(dispatch::Operation::shared_from_this());
    coderQueue_->async([weak, data] {
        auto self = weak.lock();
        if (!self)
            return;
        const auto image = ILDecodeDownloadedData(
            data, self->request_->URL(), imageOptionsFromDownloaderOptions(self->options_), self->context_);
        if (!image || image->image().width() == 0 || image->image().height() == 0)
            self->callCompletion(nullptr, nullptr,
                ILWebMakeError(ILWebErrorBadImageData, "Downloaded image has 0 pixels"), true);
        else
            self->callCompletion(image, data, nullptr, true);
        self->done();
    });
}

void ILWebDownloaderOperation::didCompleteWithError(
    const Ref<net::URLSession>&, const Ref<net::URLSessionTask>&, const Ref<foundation::Error>& error)
{
    // A cancelled operation has told its requesters already.
    if (isFinished() || isCancelled())
        return;
    Ref<foundation::Error> failure;
    bool anyCompletion = false;
    {
        std::lock_guard lock(mutex_);
        dataTask_ = nullptr;
        ending_ = true;
        // A refused response or an oversized body ends with its own error, also when the task
        // managed to finish before the cancel reached it.
        failure = responseError_ ? responseError_ : error;
        for (const auto& entry : callbacks_)
            anyCompletion = anyCompletion || entry->completed != nullptr;
    }
    post(ILWebDownloadStopNotification);
    if (!error)
        post(ILWebDownloadFinishNotification);
    if (failure) {
        callCompletion(nullptr, nullptr, failure, true);
        done();
        return;
    }
    if (!anyCompletion) {
        done();
        return;
    }
    const Ref<Data> data = buffer_ ? buffer_->take() : nullptr;
    buffer_.reset();
    if (!data || data->length() == 0) {
        callCompletion(nullptr, nullptr, ILWebMakeError(ILWebErrorBadImageData, "Image data is nil"), true);
        done();
        return;
    }
    decodeFinal(data);
}

void ILWebDownloaderOperation::didReceiveChallenge(const Ref<net::URLSession>&,
    const Ref<net::URLSessionTask>&, const Ref<net::URLAuthenticationChallenge>& challenge,
    net::ChallengeHandler handler)
{
    const auto& space = challenge->protectionSpace();
    if (space && space->authenticationMethod() == net::NSURLAuthenticationMethodServerTrust) {
        if (options_ & ILWebDownloaderAllowInvalidSSLCertificates)
            handler(net::AuthChallengeDisposition::UseCredential,
                net::URLCredential::credentialForTrust(space->serverTrust()));
        else
            handler(net::AuthChallengeDisposition::PerformDefaultHandling, nullptr);
        return;
    }
    const auto kept = credential();
    if (kept && challenge->previousFailureCount() == 0)
        handler(net::AuthChallengeDisposition::UseCredential, kept);
    else
        handler(net::AuthChallengeDisposition::CancelAuthenticationChallenge, nullptr);
}
