#include "Lib/Networking/NKURLSessionManagerTaskDelegate.h"

#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Lib/Networking/NKHTTPResponseSerializer.h"
#include "Lib/Networking/NKMultipartBodyStream.h"
#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKURLSessionManager.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Progress.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Foundation/NewFiles.h"
#include "Platform/URLLoading/URLLoading.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

using foundation::Id;
using foundation::Ref;

// Both live as long as the process and are never destroyed: a transfer still completing on the
// engine's threads while the process exits reaches them after static destructors have run.
dispatch::Queue& NKURLSessionManagerProcessingQueue()
{
    static const auto* const queue = new dispatch::QueueRef(dispatch::makeConcurrentQueue("com.ostrelle.networking.session.manager.processing"));
    return **queue;
}

dispatch::Group& NKURLSessionManagerCompletionGroup()
{
    static auto* const group = new dispatch::Group;
    return *group;
}

namespace {

void setUpProgress(dispatch::Progress& progress, const Ref<net::URLSessionTask>& task)
{
    std::weak_ptr<net::URLSessionTask> weakTask = task;
    progress.setTotalUnitCount(-1);
    progress.setCancellable(true);
    progress.setCancellationHandler([weakTask] {
        if (auto strong = weakTask.lock())
            strong->cancel();
    });
    progress.setPausable(true);
    progress.setPausingHandler([weakTask] {
        if (auto strong = weakTask.lock())
            strong->suspend();
    });
    progress.setResumingHandler([weakTask] {
        if (auto strong = weakTask.lock())
            strong->resume();
    });
}

} // namespace

NKURLSessionManagerTaskDelegate::NKURLSessionManagerTaskDelegate(const Ref<net::URLSessionTask>& task)
    : mutableData_(foundation::MutableData::create())
    , uploadProgress_(dispatch::Progress::create())
    , downloadProgress_(dispatch::Progress::create())
{
    setUpProgress(*uploadProgress_, task);
    setUpProgress(*downloadProgress_, task);
    // The observations end in the destructor, before the blocks they call are gone.
    uploadObservation_ = uploadProgress_->observeFractionCompleted([this](dispatch::Progress&) {
        if (uploadProgressBlock)
            uploadProgressBlock(uploadProgress_);
    });
    downloadObservation_ = downloadProgress_->observeFractionCompleted([this](dispatch::Progress&) {
        if (downloadProgressBlock)
            downloadProgressBlock(downloadProgress_);
    });
}

NKURLSessionManagerTaskDelegate::~NKURLSessionManagerTaskDelegate()
{
    downloadObservation_.cancel();
    uploadObservation_.cancel();
}

void NKURLSessionManagerTaskDelegate::didReceiveData(const Ref<net::URLSessionDataTask>& task, const Ref<foundation::Data>& data)
{
    downloadProgress_->setUnitCounts(task->countOfBytesReceived(), task->countOfBytesExpectedToReceive());
    if (mutableData_ && data)
        mutableData_->appendData(*data);
}

void NKURLSessionManagerTaskDelegate::didSendBodyData(const Ref<net::URLSessionTask>& task)
{
    uploadProgress_->setUnitCounts(task->countOfBytesSent(), task->countOfBytesExpectedToSend());
}

void NKURLSessionManagerTaskDelegate::didWriteData(std::int64_t totalBytesWritten, std::int64_t totalBytesExpectedToWrite)
{
    downloadProgress_->setUnitCounts(totalBytesWritten, totalBytesExpectedToWrite);
}

void NKURLSessionManagerTaskDelegate::didResumeAtOffset(std::int64_t fileOffset, std::int64_t expectedTotalBytes)
{
    downloadProgress_->setUnitCounts(fileOffset, expectedTotalBytes);
}

void NKURLSessionManagerTaskDelegate::didFinishDownloadingToURL(const Ref<net::URLSession>& session,
                                                                const Ref<net::URLSessionDownloadTask>& task, const Ref<foundation::URL>& location)
{
    downloadFileURL_ = nullptr;
    if (!downloadTaskDidFinishDownloading)
        return;
    downloadFileURL_ = downloadTaskDidFinishDownloading(session, task, location);
    if (!downloadFileURL_)
        return;
    Ref<foundation::Error> moveError;
    if (!NKMoveDownloadedFile(location, downloadFileURL_, &moveError)) {
        moveError_ = moveError;
        NKPostMoveFailure(task, moveError);
    }
}

void NKURLSessionManagerTaskDelegate::didCompleteWithError(const Ref<net::URLSession>&, const Ref<net::URLSessionTask>& task,
                                                           const Ref<foundation::Error>& taskError)
{
    auto strongManager = manager.lock();
    auto userInfo = foundation::MutableDictionary::create();
    Ref<NKHTTPResponseSerializer> serializer;
    dispatch::QueueRef completionQueue;
    dispatch::Group group = NKURLSessionManagerCompletionGroup();
    if (strongManager) {
        serializer = strongManager->responseSerializer();
        completionQueue = strongManager->completionQueue();
        if (auto managerGroup = strongManager->completionGroup())
            group = *managerGroup;
        if (serializer)
            userInfo->setObject(Id(serializer), Id(NKNetworkingTaskDidCompleteResponseSerializerKey));
    }

    Ref<foundation::Data> data;
    if (mutableData_) {
        data = foundation::Data::create(std::move(mutableData_->storage()));
        mutableData_ = nullptr;
    }
    if (downloadFileURL_)
        userInfo->setObject(Id(downloadFileURL_), Id(NKNetworkingTaskDidCompleteAssetPathKey));
    else if (data)
        userInfo->setObject(Id(data), Id(NKNetworkingTaskDidCompleteResponseDataKey));

    // A large body parses into a tree of many small blocks, several times its size, whose space
    // the allocator would keep once the tree is let go: after the reply's last holder here lets it
    // go, the free pages go back to the system, off the main thread.
    const bool largeBody = data && data->length() >= kNKLargeReplyBytes;
    auto self = std::static_pointer_cast<NKURLSessionManagerTaskDelegate>(this->self());
    auto deliver = [self, task, userInfo, group, completionQueue, largeBody](
                       Id responseObject, Ref<foundation::Error> error) mutable {
        dispatch::Queue& queue = completionQueue ? *completionQueue : dispatch::mainQueue();
        group.async(queue, [self, task, userInfo, responseObject, error, largeBody] {
            if (self->completionHandler)
                self->completionHandler(task->response(), responseObject, error);
            dispatch::mainQueue().async([task, userInfo, largeBody]() mutable {
                dispatch::NotificationCenter::defaultCenter().post(std::string(NKNetworkingTaskDidCompleteNotification), Id(task), userInfo);
                if (!largeBody)
                    return;
                userInfo = nullptr;
                dispatch::globalQueue(dispatch::Priority::Low).async([] { ILReturnFreeMemory(); });
            });
        });
    };

    // A download that could not be put where the caller asked is a failure, not a success with
    // whatever file happens to be at that path.
    Ref<foundation::Error> failure = taskError ? taskError : moveError_;
    // A multipart body that failed or ended short aborts the upload; its own error says why.
    if (taskError && task->originalRequest())
        if (auto body = std::dynamic_pointer_cast<NKMultipartBodyStream>(task->originalRequest()->HTTPBodyStream()))
            if (auto streamError = body->streamError())
                failure = NKErrorByChaining(streamError, taskError);
    if (failure) {
        userInfo->setObject(Id(failure), Id(NKNetworkingTaskDidCompleteErrorKey));
        deliver(nullptr, failure);
        return;
    }

    const Ref<foundation::URL> fileURL = downloadFileURL_;
    NKURLSessionManagerProcessingQueue().async([serializer, task, data, fileURL, userInfo, deliver]() mutable {
        Ref<foundation::Error> serializationError;
        Id responseObject;
        if (serializer)
            responseObject = serializer->responseObjectForResponse(task->response(), data, &serializationError);
        if (fileURL)
            responseObject = Id(fileURL);
        if (!responseObject.isNil())
            userInfo->setObject(responseObject, Id(NKNetworkingTaskDidCompleteSerializedResponseKey));
        if (serializationError)
            userInfo->setObject(Id(serializationError), Id(NKNetworkingTaskDidCompleteErrorKey));
        deliver(responseObject, serializationError);
    });
}

bool NKMoveDownloadedFile(const Ref<foundation::URL>& from, const Ref<foundation::URL>& destination, Ref<foundation::Error>* error)
{
    namespace fs = std::filesystem;
    const auto fromPath = from && from->path() ? fs::path(from->path()->utf8()) : fs::path();
    const auto toPath = destination && destination->isFileURL() && destination->path() ? fs::path(destination->path()->utf8()) : fs::path();
    if (toPath.empty()) {
        if (error)
            *error = foundation::fileWriteError(destination ? destination->absoluteString() : std::string(), EINVAL);
        return false;
    }
    std::error_code code;
    fs::rename(fromPath, toPath, code); // replaces an existing file in one step
    if (!code)
        return true;
    if (code != std::errc::cross_device_link) {
        if (error)
            *error = foundation::fileWriteError(toPath, code.value());
        return false;
    }
    // Another file system: copy into a new file next to the destination, made for this copy alone
    // under a name no one can guess, then rename it over the destination. The copy keeps the
    // download's mode.
    struct stat info {};
    if (::stat(fromPath.c_str(), &info) != 0) {
        if (error)
            *error = foundation::fileWriteError(toPath, errno);
        return false;
    }
    fs::path temporary;
    code = foundation::NewFiles::copyToNewFile(
        fromPath,
        [&](std::uint64_t number) {
            return toPath.parent_path()
                / foundation::format(".%@.%08X.part", toPath.filename().string(), static_cast<unsigned>(number));
        },
        info.st_mode & 0777, temporary);
    if (!code)
        fs::rename(temporary, toPath, code);
    if (code) {
        std::error_code ignored;
        if (!temporary.empty())
            fs::remove(temporary, ignored);
        if (error)
            *error = foundation::fileWriteError(toPath, code.value());
        return false;
    }
    fs::remove(fromPath, code);
    return true;
}

void NKPostMoveFailure(const Ref<net::URLSessionTask>& task, const Ref<foundation::Error>& error)
{
    dispatch::NotificationCenter::defaultCenter().post(std::string(NKURLSessionDownloadTaskDidFailToMoveFileNotification), Id(task),
                                                       error ? error->userInfo() : nullptr);
}
