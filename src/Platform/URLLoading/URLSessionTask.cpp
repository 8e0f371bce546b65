#include "Platform/URLLoading/URLSessionTask.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/Paths.h"
#include "Platform/URLLoading/TaskNotifications.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLResponse.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionDataTask.h"
#include "Platform/URLLoading/URLSessionDownloadTask.h"
#include "Platform/URLLoading/detail/Transfer.h"
#include "Platform/URLLoading/detail/TransferEngine.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace net {

namespace {

std::filesystem::path makeDownloadFile()
{
    const std::filesystem::path folder = foundation::Paths::temporaryDirectory();
    std::error_code ec;
    if (!foundation::PrivateFiles::createFolder(folder, ec))
        return {};
    std::string pattern = (folder / "corvane-download-XXXXXX.tmp").string();
    int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0)
        return {};
    ::close(fd);
    return pattern;
}

} // namespace

const foundation::Class* URLSessionTask::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSURLSessionTask", Object::classObject());
    return cls;
}

const foundation::Class* URLSessionTask::isa() const
{
    return classObject();
}

const foundation::Class* URLSessionDataTask::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSURLSessionDataTask", URLSessionTask::classObject());
    return cls;
}

const foundation::Class* URLSessionDataTask::isa() const
{
    return classObject();
}

const foundation::Class* URLSessionUploadTask::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSURLSessionUploadTask", URLSessionDataTask::classObject());
    return cls;
}

const foundation::Class* URLSessionUploadTask::isa() const
{
    return classObject();
}

const foundation::Class* URLSessionDownloadTask::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSURLSessionDownloadTask", URLSessionTask::classObject());
    return cls;
}

const foundation::Class* URLSessionDownloadTask::isa() const
{
    return classObject();
}

URLSessionTask::URLSessionTask(Kind kind, Ref<URLSession> session, unsigned long identifier, Ref<URLRequest> request,
                               UploadSource upload)
    : kind_(kind)
    , session_(std::move(session))
    , identifier_(identifier)
    , originalRequest_(request)
    , upload_(std::move(upload))
    , currentRequest_(request ? request->clone() : nullptr)
{
}

Ref<URLSessionTask> URLSessionTask::selfTask()
{
    return std::static_pointer_cast<URLSessionTask>(self());
}

std::string URLSessionTask::taskDescription() const
{
    return description_.get();
}

void URLSessionTask::setTaskDescription(std::string description)
{
    description_.set(std::move(description));
}

URLSessionTaskState URLSessionTask::state() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

std::filesystem::path URLSessionTask::downloadFile() const
{
    std::lock_guard lock(mutex_);
    return downloadFile_;
}

Ref<URLRequest> URLSessionTask::currentRequest() const
{
    std::lock_guard lock(mutex_);
    return currentRequest_;
}

Ref<URLResponse> URLSessionTask::response() const
{
    std::lock_guard lock(mutex_);
    return response_;
}

Ref<foundation::Error> URLSessionTask::error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

void URLSessionTask::enqueue(std::function<void()> block) const
{
    detail::TransferEngine::shared().deliver(session_->delegateQueue(), std::move(block));
}

void URLSessionTask::resume()
{
    URLSessionTaskState previous;
    bool start = false;
    std::shared_ptr<detail::Transfer> transfer;
    {
        std::lock_guard lock(mutex_);
        previous = state_;
        if (previous == URLSessionTaskState::Suspended) {
            state_ = URLSessionTaskState::Running;
            start = !started_;
            started_ = true;
            transfer = transfer_;
        }
    }
    // Announced before the transfer moves: a short transfer may otherwise complete, and its
    // delegate be gone, before the observers hear that it started.
    if (previous != URLSessionTaskState::Running)
        postTaskNotification(kTaskResumeNotification, selfTask());
    if (start)
        startTransfer(currentRequest(), 0);
    else if (transfer)
        detail::TransferEngine::shared().setUserPaused(transfer, false);
}

void URLSessionTask::suspend()
{
    URLSessionTaskState previous;
    std::shared_ptr<detail::Transfer> transfer;
    {
        std::lock_guard lock(mutex_);
        previous = state_;
        if (previous == URLSessionTaskState::Running) {
            state_ = URLSessionTaskState::Suspended;
            transfer = transfer_;
        }
    }
    if (transfer)
        detail::TransferEngine::shared().setUserPaused(transfer, true);
    if (previous != URLSessionTaskState::Suspended)
        postTaskNotification(kTaskSuspendNotification, selfTask());
}

void URLSessionTask::cancel()
{
    std::shared_ptr<detail::Transfer> transfer;
    {
        std::lock_guard lock(mutex_);
        if (state_ == URLSessionTaskState::Completed || state_ == URLSessionTaskState::Canceling)
            return;
        state_ = URLSessionTaskState::Canceling;
        transfer = transfer_;
    }
    if (transfer) {
        transfer->abortChallenge();
        detail::TransferEngine::shared().cancel(transfer);
    }
    complete(makeURLError(NSURLErrorCancelled, originalRequest_ ? originalRequest_->URL() : nullptr));
}

void URLSessionTask::startTransfer(Ref<URLRequest> request, int redirectCount)
{
    // Made on the first start only, so a task that never runs leaves no file behind; the
    // transfers of later redirects write into the same file.
    if (kind_ == Kind::Download && redirectCount == 0 && downloadFile().empty()) {
        auto path = makeDownloadFile();
        std::lock_guard lock(mutex_);
        downloadFile_ = std::move(path);
    }
    if (kind_ == Kind::Download && downloadFile().empty()) {
        complete(makeURLError(NSURLErrorCannotCreateFile, request ? request->URL() : nullptr));
        return;
    }
    Ref<foundation::Error> error;
    auto transfer = detail::Transfer::create(selfTask(), request, redirectCount, &error);
    if (!transfer) {
        complete(error);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (state_ == URLSessionTaskState::Canceling || state_ == URLSessionTaskState::Completed)
            return;
        transfer_ = transfer;
        transfer->userPaused = state_ == URLSessionTaskState::Suspended;
    }
    detail::TransferEngine::shared().start(transfer);
}

void URLSessionTask::followRedirect(Ref<URLRequest> request, int redirectCount)
{
    {
        std::lock_guard lock(mutex_);
        if (state_ == URLSessionTaskState::Canceling || state_ == URLSessionTaskState::Completed)
            return;
        currentRequest_ = request;
    }
    startTransfer(std::move(request), redirectCount);
}

bool URLSessionTask::replaceTransfer(const std::shared_ptr<detail::Transfer>& lost, std::shared_ptr<detail::Transfer> fresh)
{
    std::lock_guard lock(mutex_);
    if (transfer_ != lost || state_ == URLSessionTaskState::Canceling || state_ == URLSessionTaskState::Completed)
        return false;
    fresh->userPaused = state_ == URLSessionTaskState::Suspended;
    transfer_ = std::move(fresh);
    return true;
}

void URLSessionTask::complete(Ref<foundation::Error> error)
{
    if (completionScheduled_.exchange(true))
        return;
    auto task = selfTask();
    enqueue([task, error] { task->deliverCompletion(error); });
}

bool URLSessionTask::asksForResponseDisposition() const
{
    if (kind_ == Kind::Download)
        return false;
    auto delegate = session_->delegate();
    return delegate && delegate->didReceiveResponse;
}

void URLSessionTask::deliverResponse(const Ref<URLResponse>& response)
{
    if (completed_)
        return;
    {
        std::lock_guard lock(mutex_);
        response_ = response;
    }
    bytesExpectedToReceive_ = response->expectedContentLength();
    auto delegate = session_->delegate();
    if (kind_ == Kind::Download || !delegate || !delegate->didReceiveResponse)
        return;
    awaitingDisposition_ = true;
    auto task = selfTask();
    delegate->didReceiveResponse(session_, std::static_pointer_cast<URLSessionDataTask>(task), response,
                                 [task](ResponseDisposition disposition) {
                                     task->enqueue([task, disposition] { task->applyDisposition(disposition); });
                                 });
}

void URLSessionTask::applyDisposition(ResponseDisposition disposition)
{
    if (completed_ || !awaitingDisposition_)
        return;
    awaitingDisposition_ = false;
    if (disposition == ResponseDisposition::Cancel) {
        heldData_.clear();
        if (heldCompletion_) {
            heldCompletion_.reset();
            deliverCompletion(makeURLError(NSURLErrorCancelled, originalRequest_->URL()));
        } else {
            cancel();
        }
        return;
    }
    while (!heldData_.empty()) {
        auto data = heldData_.front();
        heldData_.pop_front();
        deliverData(data);
    }
    if (heldCompletion_) {
        auto error = *heldCompletion_;
        heldCompletion_.reset();
        deliverCompletion(error);
        return;
    }
    std::shared_ptr<detail::Transfer> transfer;
    {
        std::lock_guard lock(mutex_);
        transfer = transfer_;
    }
    if (transfer)
        transfer->releaseDisposition();
}

void URLSessionTask::deliverData(const Ref<foundation::Data>& data)
{
    if (completed_ || !data)
        return;
    if (awaitingDisposition_) {
        heldData_.push_back(data);
        return;
    }
    if (kind_ == Kind::Download) {
        // A refused redirect's body becomes the downloaded file.
        int fd = ::open(downloadFile().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd >= 0) {
            [[maybe_unused]] auto n = ::write(fd, data->bytes(), data->length());
            ::close(fd);
        }
        deliverWritten(static_cast<std::int64_t>(data->length()));
        return;
    }
    if (data->length() == 0)
        return;
    bytesReceived_ += static_cast<std::int64_t>(data->length());
    auto delegate = session_->delegate();
    if (delegate && delegate->didReceiveData)
        delegate->didReceiveData(session_, std::static_pointer_cast<URLSessionDataTask>(selfTask()), data);
}

void URLSessionTask::deliverBodySent(std::int64_t totalSent)
{
    std::int64_t previous = bytesSent_;
    if (completed_ || totalSent <= previous)
        return;
    bytesSent_ = totalSent;
    auto delegate = session_->delegate();
    if (delegate && delegate->didSendBodyData)
        delegate->didSendBodyData(session_, selfTask(), totalSent - previous, totalSent, bytesExpectedToSend_);
}

void URLSessionTask::deliverWritten(std::int64_t totalWritten)
{
    std::int64_t previous = bytesReceived_;
    if (completed_ || totalWritten <= previous)
        return;
    bytesReceived_ = totalWritten;
    auto delegate = session_->delegate();
    if (delegate && delegate->didWriteData)
        delegate->didWriteData(session_, std::static_pointer_cast<URLSessionDownloadTask>(selfTask()), totalWritten - previous,
                               totalWritten, bytesExpectedToReceive_);
}

void URLSessionTask::deliverCompletion(Ref<foundation::Error> error)
{
    if (completed_)
        return;
    if (awaitingDisposition_ && !error) {
        heldCompletion_ = error;
        return;
    }
    completed_ = true;
    awaitingDisposition_ = false;
    heldData_.clear();
    auto delegate = session_->delegate();
    auto task = selfTask();
    if (auto file = downloadFile(); kind_ == Kind::Download && !file.empty()) {
        if (!error && delegate && delegate->didFinishDownloadingToURL)
            delegate->didFinishDownloadingToURL(session_, std::static_pointer_cast<URLSessionDownloadTask>(task),
                                                foundation::URL::fileURLWithPath(file.string()));
        std::error_code ec;
        std::filesystem::remove(file, ec);
    }
    {
        std::lock_guard lock(mutex_);
        state_ = URLSessionTaskState::Completed;
        error_ = error;
        transfer_.reset();
    }
    if (delegate && delegate->didCompleteWithError)
        delegate->didCompleteWithError(session_, task, error);
    session_->taskDidComplete(identifier_);
}

std::string URLSessionTask::description() const
{
    const char* kind = kind_ == Kind::Download ? "LocalDownloadTask" : (kind_ == Kind::Upload ? "LocalUploadTask" : "LocalDataTask");
    return foundation::format("%s <%lu>", kind, identifier_);
}

} // namespace net
