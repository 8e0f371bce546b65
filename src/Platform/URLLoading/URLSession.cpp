#include "Platform/URLLoading/URLSession.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionDataTask.h"
#include "Platform/URLLoading/URLSessionDownloadTask.h"

#include <atomic>
#include <type_traits>
#include <vector>

namespace net {

namespace {

std::atomic<unsigned long long> nextSessionIdentifier{1};

// The kind follows from the class: upload tasks are data tasks that send a body.
template <class TaskType>
constexpr URLSessionTask::Kind kindOf()
{
    if constexpr (std::is_same_v<TaskType, URLSessionDownloadTask>)
        return URLSessionTask::Kind::Download;
    else if constexpr (std::is_same_v<TaskType, URLSessionUploadTask>)
        return URLSessionTask::Kind::Upload;
    else
        return URLSessionTask::Kind::Data;
}

} // namespace

const foundation::Class* URLSession::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSURLSession", Object::classObject());
    return cls;
}

const foundation::Class* URLSession::isa() const
{
    return classObject();
}

URLSession::URLSession(Ref<URLSessionConfiguration> configuration, std::shared_ptr<URLSessionDelegate> delegate,
                       std::shared_ptr<dispatch::Queue> delegateQueue)
    : configuration_(std::move(configuration))
    , delegateQueue_(std::move(delegateQueue))
    , identifier_(nextSessionIdentifier++)
    , delegate_(std::move(delegate))
{
}

Ref<URLSession> URLSession::sessionWithConfiguration(Ref<URLSessionConfiguration> configuration,
                                                     std::shared_ptr<URLSessionDelegate> delegate,
                                                     std::shared_ptr<dispatch::Queue> delegateQueue)
{
    auto own = configuration ? configuration->clone() : URLSessionConfiguration::defaultSessionConfiguration();
    if (!delegateQueue)
        delegateQueue = dispatch::makeSerialQueue("com.corvane.urlsession.delegate");
    return std::make_shared<URLSession>(std::move(own), std::move(delegate), std::move(delegateQueue));
}

Ref<URLSessionConfiguration> URLSession::configuration() const
{
    return configuration_->clone();
}

std::shared_ptr<URLSessionDelegate> URLSession::delegate() const
{
    std::lock_guard lock(mutex_);
    return delegate_;
}

std::string URLSession::sessionDescription() const
{
    return description_.get();
}

void URLSession::setSessionDescription(std::string description)
{
    description_.set(std::move(description));
}

template <class TaskType>
Ref<TaskType> URLSession::makeTask(const Ref<URLRequest>& request, Ref<foundation::Data> data, const Ref<foundation::URL>& file)
{
    URLSessionTask::UploadSource upload;
    upload.data = std::move(data);
    if (file) {
        auto path = file->path();
        upload.file = std::filesystem::path(path ? path->utf8() : std::string());
    }
    std::unique_lock lock(mutex_);
    if (invalidated_) {
        lock.unlock();
        foundation::misuse(foundation::NSGenericException, "Task created in a session that has been invalidated",
                           foundation::MisuseDefault::ReturnNil);
        return nullptr;
    }
    unsigned long identifier = nextTaskIdentifier_++;
    auto self = std::static_pointer_cast<URLSession>(shared_from_this());
    auto task = std::make_shared<TaskType>(kindOf<TaskType>(), self, identifier,
                                           request ? request->clone() : nullptr, std::move(upload));
    liveTasks_[identifier] = task;
    return task;
}

Ref<URLSessionDataTask> URLSession::dataTaskWithRequest(const Ref<URLRequest>& request)
{
    return makeTask<URLSessionDataTask>(request, nullptr, nullptr);
}

Ref<URLSessionUploadTask> URLSession::uploadTaskWithRequestFromFile(const Ref<URLRequest>& request, const Ref<foundation::URL>& fileURL)
{
    return makeTask<URLSessionUploadTask>(request, nullptr,
                                          fileURL ? fileURL : foundation::URL::fileURLWithPath("/nonexistent"));
}

Ref<URLSessionUploadTask> URLSession::uploadTaskWithRequestFromData(const Ref<URLRequest>& request, const Ref<foundation::Data>& body)
{
    return makeTask<URLSessionUploadTask>(request, body ? body : foundation::Data::create(), nullptr);
}

Ref<URLSessionUploadTask> URLSession::uploadTaskWithStreamedRequest(const Ref<URLRequest>& request)
{
    return makeTask<URLSessionUploadTask>(request, nullptr, nullptr);
}

Ref<URLSessionDownloadTask> URLSession::downloadTaskWithRequest(const Ref<URLRequest>& request)
{
    return makeTask<URLSessionDownloadTask>(request, nullptr, nullptr);
}

void URLSession::getTasksWithCompletionHandler(TasksHandler handler)
{
    auto self = std::static_pointer_cast<URLSession>(shared_from_this());
    delegateQueue_->async([self, handler = std::move(handler)] {
        auto dataTasks = foundation::MutableArray::create();
        auto uploadTasks = foundation::MutableArray::create();
        auto downloadTasks = foundation::MutableArray::create();
        std::vector<Ref<URLSessionTask>> live;
        {
            std::lock_guard lock(self->mutex_);
            for (const auto& [identifier, task] : self->liveTasks_)
                live.push_back(task);
        }
        for (const auto& task : live) {
            if (task->state() == URLSessionTaskState::Completed)
                continue;
            switch (task->kind()) {
            case URLSessionTask::Kind::Data:
                dataTasks->addObject(task);
                break;
            case URLSessionTask::Kind::Upload:
                uploadTasks->addObject(task);
                break;
            case URLSessionTask::Kind::Download:
                downloadTasks->addObject(task);
                break;
            }
        }
        if (handler)
            handler(dataTasks, uploadTasks, downloadTasks);
    });
}

void URLSession::finishTasksAndInvalidate()
{
    bool idle = false;
    {
        std::lock_guard lock(mutex_);
        if (invalidated_)
            return;
        invalidated_ = true;
        idle = liveTasks_.empty();
    }
    if (idle) {
        auto self = std::static_pointer_cast<URLSession>(shared_from_this());
        delegateQueue_->async([self] { self->deliverInvalidation(); });
    }
}

void URLSession::invalidateAndCancel()
{
    std::vector<Ref<URLSessionTask>> live;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [identifier, task] : liveTasks_)
            live.push_back(task);
    }
    finishTasksAndInvalidate();
    for (const auto& task : live)
        task->cancel();
}

void URLSession::taskDidComplete(unsigned long taskIdentifier)
{
    bool finished = false;
    {
        std::lock_guard lock(mutex_);
        liveTasks_.erase(taskIdentifier);
        finished = invalidated_ && liveTasks_.empty();
    }
    if (finished)
        deliverInvalidation();
}

void URLSession::deliverInvalidation()
{
    std::shared_ptr<URLSessionDelegate> delegate;
    {
        std::lock_guard lock(mutex_);
        if (invalidationDelivered_)
            return;
        invalidationDelivered_ = true;
        delegate = std::move(delegate_);
    }
    if (delegate && delegate->didBecomeInvalidWithError)
        delegate->didBecomeInvalidWithError(std::static_pointer_cast<URLSession>(shared_from_this()), nullptr);
}

std::string URLSession::description() const
{
    return foundation::format("<__NSURLSessionLocal: %p>", static_cast<const void*>(this));
}

} // namespace net
