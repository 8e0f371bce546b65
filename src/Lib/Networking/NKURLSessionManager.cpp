#include "Lib/Networking/NKURLSessionManager.h"

#include "Lib/Networking/NKJSONResponseSerializer.h"
#include "Lib/Networking/NKNetworkReachabilityManager.h"
#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKSecurityPolicy.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Progress.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/URLLoading/URLLoading.h"


using foundation::Id;
using foundation::Ref;


const foundation::Class* NKURLSessionManager::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKURLSessionManager", Object::classObject(),
                                                          [] { return Ref<Object>(new NKURLSessionManager()); });
    return cls;
}

const foundation::Class* NKURLSessionManager::isa() const
{
    return classObject();
}

Ref<NKURLSessionManager> NKURLSessionManager::create(Ref<net::URLSessionConfiguration> configuration)
{
    Ref<NKURLSessionManager> manager(new NKURLSessionManager());
    manager->initWithSessionConfiguration(std::move(configuration));
    return manager;
}

void NKURLSessionManager::initWithSessionConfiguration(Ref<net::URLSessionConfiguration> configuration)
{
    sessionConfiguration_ = configuration ? configuration : net::URLSessionConfiguration::defaultSessionConfiguration();
    operationQueue_ = dispatch::makeSerialQueue("com.ostrelle.networking.session.manager.operation");
    blocks_ = std::make_shared<Blocks>();
    session_ = net::URLSession::sessionWithConfiguration(sessionConfiguration_, makeSessionDelegate(false), operationQueue_);
    setResponseSerializer(NKJSONResponseSerializer::serializer());
    setSecurityPolicy(NKSecurityPolicy::defaultPolicy());
    setReachabilityManager(NKNetworkReachabilityManager::sharedManager());

    std::weak_ptr<NKURLSessionManager> weak = std::static_pointer_cast<NKURLSessionManager>(self());
    auto& center = dispatch::NotificationCenter::defaultCenter();
    resumeObservation_ = center.addObserver(std::string(NKNSURLSessionTaskDidResumeNotification), nullptr, nullptr,
                                            [weak](const dispatch::Notification& notification) {
                                                if (auto strong = weak.lock())
                                                    strong->taskDidResume(notification);
                                            });
    suspendObservation_ = center.addObserver(std::string(NKNSURLSessionTaskDidSuspendNotification), nullptr, nullptr,
                                             [weak](const dispatch::Notification& notification) {
                                                 if (auto strong = weak.lock())
                                                     strong->taskDidSuspend(notification);
                                             });

    // A session made here starts without tasks (there are no background sessions to reattach on
    // this platform), so there are no earlier tasks to give delegates; asking the session for them
    // would only race with the tasks the caller creates next.
}

NKURLSessionManager::~NKURLSessionManager()
{
    // Reached only with no task in flight: nothing can use the session any more.
    if (auto current = session())
        current->finishTasksAndInvalidate();
}

std::shared_ptr<NKURLSessionManager::Blocks> NKURLSessionManager::blocks() const
{
    std::lock_guard lock(settingsMutex_);
    return blocks_;
}

#define NK_BLOCK_SETTER(Setter, Type, field)                                                                                               \
    void NKURLSessionManager::Setter(Type block)                                                                                         \
    {                                                                                                                                     \
        std::lock_guard lock(settingsMutex_);                                                                                             \
        auto updated = std::make_shared<Blocks>(*blocks_);                                                                                \
        updated->field = std::move(block);                                                                                                \
        blocks_ = std::move(updated);                                                                                                     \
    }

NK_BLOCK_SETTER(setSessionDidBecomeInvalidBlock, SessionDidBecomeInvalidBlock, sessionDidBecomeInvalid)
NK_BLOCK_SETTER(setSessionDidReceiveAuthenticationChallengeBlock, SessionDidReceiveChallengeBlock, sessionDidReceiveAuthenticationChallenge)
NK_BLOCK_SETTER(setTaskNeedNewBodyStreamBlock, TaskNeedNewBodyStreamBlock, taskNeedNewBodyStream)
NK_BLOCK_SETTER(setTaskWillPerformHTTPRedirectionBlock, TaskWillPerformHTTPRedirectionBlock, taskWillPerformHTTPRedirection)
NK_BLOCK_SETTER(setTaskDidReceiveAuthenticationChallengeBlock, TaskDidReceiveChallengeBlock, taskDidReceiveAuthenticationChallenge)
NK_BLOCK_SETTER(setTaskDidSendBodyDataBlock, TaskDidSendBodyDataBlock, taskDidSendBodyData)
NK_BLOCK_SETTER(setTaskDidCompleteBlock, TaskDidCompleteBlock, taskDidComplete)
NK_BLOCK_SETTER(setDataTaskDidBecomeDownloadTaskBlock, DataTaskDidBecomeDownloadTaskBlock, dataTaskDidBecomeDownloadTask)
NK_BLOCK_SETTER(setDataTaskDidReceiveDataBlock, DataTaskDidReceiveDataBlock, dataTaskDidReceiveData)
NK_BLOCK_SETTER(setDataTaskWillCacheResponseBlock, DataTaskWillCacheResponseBlock, dataTaskWillCacheResponse)
NK_BLOCK_SETTER(setDownloadTaskDidFinishDownloadingBlock, NKDownloadTaskDidFinishDownloadingBlock, downloadTaskDidFinishDownloading)
NK_BLOCK_SETTER(setDownloadTaskDidWriteDataBlock, DownloadTaskDidWriteDataBlock, downloadTaskDidWriteData)
NK_BLOCK_SETTER(setDownloadTaskDidResumeBlock, DownloadTaskDidResumeBlock, downloadTaskDidResume)

#undef NK_BLOCK_SETTER

Ref<net::URLSession> NKURLSessionManager::session() const
{
    return std::atomic_load(&session_);
}

void NKURLSessionManager::setDataTaskDidReceiveResponseBlock(DataTaskDidReceiveResponseBlock block)
{
    const bool asks = static_cast<bool>(block);
    bool sessionAsks = false;
    {
        std::lock_guard lock(settingsMutex_);
        auto updated = std::make_shared<Blocks>(*blocks_);
        updated->dataTaskDidReceiveResponse = std::move(block);
        blocks_ = std::move(updated);
        sessionAsks = sessionAsksForResponses_;
        sessionAsksForResponses_ = asks;
    }
    if (asks == sessionAsks)
        return;
    // Whether a session asks for a response disposition is fixed when it is made (asking pauses
    // every transfer until the delegate queue answers), so a session that asks, or stops asking,
    // takes over for the tasks made from now on; the old one finishes its tasks.
    auto replacement = net::URLSession::sessionWithConfiguration(sessionConfiguration_, makeSessionDelegate(asks), operationQueue_);
    auto previous = std::atomic_exchange(&session_, replacement);
    previous->finishTasksAndInvalidate();
}

std::string NKURLSessionManager::taskDescriptionForSessionTasks() const
{
    return foundation::format("%p", this);
}

// Tasks.

Ref<net::URLSessionDataTask> NKURLSessionManager::dataTaskWithRequest(const Ref<net::URLRequest>& request, NKCompletionHandler completionHandler)
{
    return dataTaskWithRequest(request, nullptr, nullptr, std::move(completionHandler));
}

Ref<net::URLSessionDataTask> NKURLSessionManager::dataTaskWithRequest(const Ref<net::URLRequest>& request, NKProgressBlock uploadProgress,
                                                                      NKProgressBlock downloadProgress, NKCompletionHandler completionHandler)
{
    auto task = session()->dataTaskWithRequest(request);
    if (task)
        addDelegateForTask(task, std::move(uploadProgress), std::move(downloadProgress), nullptr, std::move(completionHandler));
    return task;
}

Ref<net::URLSessionUploadTask> NKURLSessionManager::uploadTaskWithRequestFromFile(const Ref<net::URLRequest>& request,
                                                                                  const Ref<foundation::URL>& fileURL, NKProgressBlock progress,
                                                                                  NKCompletionHandler completionHandler)
{
    auto task = session()->uploadTaskWithRequestFromFile(request, fileURL);
    if (!task && recreateUploads_ && sessionConfiguration_->identifier) {
        for (int attempt = 0; attempt < 3 && !task; ++attempt)
            task = session()->uploadTaskWithRequestFromFile(request, fileURL);
    }
    if (task)
        addDelegateForTask(task, std::move(progress), nullptr, nullptr, std::move(completionHandler));
    return task;
}

Ref<net::URLSessionUploadTask> NKURLSessionManager::uploadTaskWithRequestFromData(const Ref<net::URLRequest>& request,
                                                                                  const Ref<foundation::Data>& body, NKProgressBlock progress,
                                                                                  NKCompletionHandler completionHandler)
{
    auto task = session()->uploadTaskWithRequestFromData(request, body);
    if (task)
        addDelegateForTask(task, std::move(progress), nullptr, nullptr, std::move(completionHandler));
    return task;
}

Ref<net::URLSessionUploadTask> NKURLSessionManager::uploadTaskWithStreamedRequest(const Ref<net::URLRequest>& request, NKProgressBlock progress,
                                                                                  NKCompletionHandler completionHandler)
{
    auto task = session()->uploadTaskWithStreamedRequest(request);
    if (task)
        addDelegateForTask(task, std::move(progress), nullptr, nullptr, std::move(completionHandler));
    return task;
}

Ref<net::URLSessionDownloadTask> NKURLSessionManager::downloadTaskWithRequest(const Ref<net::URLRequest>& request, NKProgressBlock progress,
                                                                              NKDownloadDestinationBlock destination,
                                                                              NKCompletionHandler completionHandler)
{
    auto task = session()->downloadTaskWithRequest(request);
    if (task)
        addDelegateForTask(task, nullptr, std::move(progress), std::move(destination), std::move(completionHandler));
    return task;
}

void NKURLSessionManager::addDelegateForTask(const Ref<net::URLSessionTask>& task, NKProgressBlock uploadProgress, NKProgressBlock downloadProgress,
                                             NKDownloadDestinationBlock destination, NKCompletionHandler completionHandler)
{
    auto delegate = std::make_shared<NKURLSessionManagerTaskDelegate>(task);
    delegate->manager = std::static_pointer_cast<NKURLSessionManager>(self());
    delegate->completionHandler = std::move(completionHandler);
    if (destination) {
        delegate->downloadTaskDidFinishDownloading
            = [destination = std::move(destination)](const Ref<net::URLSession>&, const Ref<net::URLSessionDownloadTask>& downloadTask,
                                                     const Ref<foundation::URL>& location) { return destination(location, downloadTask->response()); };
    }
    task->setTaskDescription(taskDescriptionForSessionTasks());
    setDelegate(delegate, task);
    if (task->kind() != net::URLSessionTask::Kind::Download)
        delegate->uploadProgressBlock = std::move(uploadProgress);
    if (task->kind() != net::URLSessionTask::Kind::Upload)
        delegate->downloadProgressBlock = std::move(downloadProgress);
}

std::shared_ptr<dispatch::Progress> NKURLSessionManager::uploadProgressForTask(const Ref<net::URLSessionTask>& task) const
{
    auto delegate = delegateForTask(task);
    return delegate ? delegate->uploadProgress() : nullptr;
}

std::shared_ptr<dispatch::Progress> NKURLSessionManager::downloadProgressForTask(const Ref<net::URLSessionTask>& task) const
{
    auto delegate = delegateForTask(task);
    return delegate ? delegate->downloadProgress() : nullptr;
}

void NKURLSessionManager::invalidateSessionCancelingTasks(bool cancelPendingTasks)
{
    if (cancelPendingTasks)
        session()->invalidateAndCancel();
    else
        session()->finishTasksAndInvalidate();
}

// The delegate table.

Ref<NKURLSessionManagerTaskDelegate> NKURLSessionManager::delegateForTask(const Ref<net::URLSessionTask>& task) const
{
    if (!task)
        return nullptr;
    std::lock_guard lock(lock_);
    auto found = mutableTaskDelegatesKeyedByTaskIdentifier_.find(task->taskIdentifier());
    return found == mutableTaskDelegatesKeyedByTaskIdentifier_.end() ? nullptr : found->second.delegate;
}

void NKURLSessionManager::setDelegate(const Ref<NKURLSessionManagerTaskDelegate>& delegate, const Ref<net::URLSessionTask>& task)
{
    if (!delegate || !task)
        return;
    std::lock_guard lock(lock_);
    mutableTaskDelegatesKeyedByTaskIdentifier_[task->taskIdentifier()] = TaskEntry{delegate, task};
    if (!selfWhileBusy_)
        selfWhileBusy_ = std::static_pointer_cast<NKURLSessionManager>(self());
}

void NKURLSessionManager::removeDelegateForTask(const Ref<net::URLSessionTask>& task)
{
    if (!task)
        return;
    Ref<NKURLSessionManager> released;
    TaskEntry removed;
    {
        std::lock_guard lock(lock_);
        auto found = mutableTaskDelegatesKeyedByTaskIdentifier_.find(task->taskIdentifier());
        if (found == mutableTaskDelegatesKeyedByTaskIdentifier_.end())
            return;
        removed = std::move(found->second);
        mutableTaskDelegatesKeyedByTaskIdentifier_.erase(found);
        if (mutableTaskDelegatesKeyedByTaskIdentifier_.empty())
            released = std::move(selfWhileBusy_);
    }
}

Ref<foundation::Array> NKURLSessionManager::tasksForKeyPath(std::string_view keyPath) const
{
    using Kind = net::URLSessionTask::Kind;
    std::vector<Kind> kinds;
    if (keyPath == "dataTasks")
        kinds = {Kind::Data};
    else if (keyPath == "uploadTasks")
        kinds = {Kind::Upload};
    else if (keyPath == "downloadTasks")
        kinds = {Kind::Download};
    else if (keyPath == "tasks")
        kinds = {Kind::Data, Kind::Upload, Kind::Download};
    else
        return nullptr;
    std::vector<Id> tasks;
    std::lock_guard lock(lock_);
    for (const Kind kind : kinds)
        for (const auto& [identifier, entry] : mutableTaskDelegatesKeyedByTaskIdentifier_)
            if (entry.task->kind() == kind && entry.task->state() != net::URLSessionTaskState::Completed)
                tasks.emplace_back(entry.task);
    return foundation::Array::create(std::move(tasks));
}

Ref<foundation::Array> NKURLSessionManager::tasks() const
{
    return tasksForKeyPath("tasks");
}

Ref<foundation::Array> NKURLSessionManager::dataTasks() const
{
    return tasksForKeyPath("dataTasks");
}

Ref<foundation::Array> NKURLSessionManager::uploadTasks() const
{
    return tasksForKeyPath("uploadTasks");
}

Ref<foundation::Array> NKURLSessionManager::downloadTasks() const
{
    return tasksForKeyPath("downloadTasks");
}

// Resume and suspend announcements.

void NKURLSessionManager::announce(const dispatch::Notification& notification, std::string_view name) const
{
    auto task = notification.object.as<net::URLSessionTask>();
    if (!task || task->taskDescription() != taskDescriptionForSessionTasks())
        return;
    {
        std::lock_guard lock(lock_);
        if (!mutableTaskDelegatesKeyedByTaskIdentifier_.contains(task->taskIdentifier()))
            return;
    }
    dispatch::mainQueue().async([task, name = std::string(name)] { dispatch::NotificationCenter::defaultCenter().post(name, Id(task)); });
}

void NKURLSessionManager::taskDidResume(const dispatch::Notification& notification)
{
    announce(notification, NKNetworkingTaskDidResumeNotification);
}

void NKURLSessionManager::taskDidSuspend(const dispatch::Notification& notification)
{
    announce(notification, NKNetworkingTaskDidSuspendNotification);
}

std::string NKURLSessionManager::description() const
{
    return foundation::format("<%@: %p, session: %@, operationQueue: %@>", isa()->name(), this, Id(session()), operationQueue_->label());
}

Ref<NKURLSessionManager> NKURLSessionManager::makeEmptyCopy() const
{
    return create(session()->configuration());
}

Ref<foundation::Object> NKURLSessionManager::copy() const
{
    return makeEmptyCopy();
}

void NKURLSessionManager::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    const auto configuration = session()->configuration();
    if (configuration->identifier)
        coder.encodeObject(Id(*configuration->identifier), "identifier");
}

void NKURLSessionManager::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    initWithSessionConfiguration(NKSessionConfigurationFromCoder(coder));
}

Ref<net::URLSessionConfiguration> NKSessionConfigurationFromCoder(foundation::KeyedUnarchiver& coder)
{
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    if (auto identifier = coder.decodeObjectForKey("identifier").string())
        configuration->identifier = identifier->utf8();
    return configuration;
}
