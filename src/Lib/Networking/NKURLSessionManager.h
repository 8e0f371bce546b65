#pragma once

#include "Lib/Networking/NKURLSessionManagerTaskDelegate.h"
#include "Platform/Dispatch/Group.h"
#include "Platform/Dispatch/Notification.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Storage/Coding.h"
#include "Platform/URLLoading/URLSessionDelegate.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace foundation {
class Array;
}

namespace net {
class InputStream;
class URLSessionConfiguration;
class URLSessionUploadTask;
} // namespace net

class NKHTTPResponseSerializer;
class NKNetworkReachabilityManager;
class NKSecurityPolicy;

// Owns one URL session and is its only delegate: creates data, upload and download tasks, gives
// each a task delegate that collects its reply, answers TLS challenges through the security
// policy, announces its tasks' resume and suspend, and lets callers replace any session callback
// with a block. Session callbacks run one at a time on `operationQueue`; completions on
// `completionQueue` (the main queue when unset). Members may be called from any thread; set the
// serializers, policy, queues and blocks before tasks run.
//
// The manager stays alive while it has tasks in flight, so their completions are delivered even
// when the caller lets it go; once it is released with no task left, its session is finished and
// invalidated.
class NKURLSessionManager : public foundation::Object, public foundation::Coding {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // A nil configuration means the default one.
    static foundation::Ref<NKURLSessionManager> create(foundation::Ref<net::URLSessionConfiguration> configuration = nullptr);
    ~NKURLSessionManager() override;
    NKURLSessionManager(const NKURLSessionManager&) = delete;
    NKURLSessionManager& operator=(const NKURLSessionManager&) = delete;

    // The session tasks are made from. Setting or clearing the response-disposition block moves
    // the manager to a new session over the same configuration (see there).
    foundation::Ref<net::URLSession> session() const;
    // The session's delegate queue (serial: one callback at a time).
    const dispatch::QueueRef& operationQueue() const { return operationQueue_; }
    const foundation::Ref<net::URLSessionConfiguration>& sessionConfiguration() const { return sessionConfiguration_; }

    foundation::Ref<NKHTTPResponseSerializer> responseSerializer() const { return responseSerializer_.get(); }
    virtual void setResponseSerializer(foundation::Ref<NKHTTPResponseSerializer> serializer)
    {
        responseSerializer_.set(std::move(serializer));
    }
    foundation::Ref<NKSecurityPolicy> securityPolicy() const { return securityPolicy_.get(); }
    virtual void setSecurityPolicy(foundation::Ref<NKSecurityPolicy> policy) { securityPolicy_.set(std::move(policy)); }
    foundation::Ref<NKNetworkReachabilityManager> reachabilityManager() const { return reachabilityManager_.get(); }
    void setReachabilityManager(foundation::Ref<NKNetworkReachabilityManager> manager)
    {
        reachabilityManager_.set(std::move(manager));
    }
    dispatch::QueueRef completionQueue() const { return completionQueue_.get(); }
    void setCompletionQueue(dispatch::QueueRef queue) { completionQueue_.set(std::move(queue)); }
    std::optional<dispatch::Group> completionGroup() const { return completionGroup_.get(); }
    void setCompletionGroup(std::optional<dispatch::Group> group) { completionGroup_.set(std::move(group)); }
    bool attemptsToRecreateUploadTasksForBackgroundSessions() const { return recreateUploads_; }
    void setAttemptsToRecreateUploadTasksForBackgroundSessions(bool value) { recreateUploads_ = value; }

    // "0x..." : the manager's address; every task the manager registers carries it.
    std::string taskDescriptionForSessionTasks() const;
    foundation::Ref<foundation::Array> tasks() const;
    foundation::Ref<foundation::Array> dataTasks() const;
    foundation::Ref<foundation::Array> uploadTasks() const;
    foundation::Ref<foundation::Array> downloadTasks() const;

    // Tasks are returned suspended; the caller resumes them.
    foundation::Ref<net::URLSessionDataTask> dataTaskWithRequest(const foundation::Ref<net::URLRequest>& request,
                                                                  NKCompletionHandler completionHandler);
    foundation::Ref<net::URLSessionDataTask> dataTaskWithRequest(const foundation::Ref<net::URLRequest>& request, NKProgressBlock uploadProgress,
                                                                  NKProgressBlock downloadProgress, NKCompletionHandler completionHandler);
    // nil when the session makes no task (nothing registered, completion never called).
    foundation::Ref<net::URLSessionUploadTask> uploadTaskWithRequestFromFile(const foundation::Ref<net::URLRequest>& request,
                                                                             const foundation::Ref<foundation::URL>& fileURL, NKProgressBlock progress,
                                                                             NKCompletionHandler completionHandler);
    foundation::Ref<net::URLSessionUploadTask> uploadTaskWithRequestFromData(const foundation::Ref<net::URLRequest>& request,
                                                                             const foundation::Ref<foundation::Data>& body, NKProgressBlock progress,
                                                                             NKCompletionHandler completionHandler);
    foundation::Ref<net::URLSessionUploadTask> uploadTaskWithStreamedRequest(const foundation::Ref<net::URLRequest>& request,
                                                                             NKProgressBlock progress, NKCompletionHandler completionHandler);
    foundation::Ref<net::URLSessionDownloadTask> downloadTaskWithRequest(const foundation::Ref<net::URLRequest>& request, NKProgressBlock progress,
                                                                          NKDownloadDestinationBlock destination,
                                                                          NKCompletionHandler completionHandler);

    std::shared_ptr<dispatch::Progress> uploadProgressForTask(const foundation::Ref<net::URLSessionTask>& task) const;
    std::shared_ptr<dispatch::Progress> downloadProgressForTask(const foundation::Ref<net::URLSessionTask>& task) const;

    // YES: invalidateAndCancel; NO: finishTasksAndInvalidate.
    void invalidateSessionCancelingTasks(bool cancelPendingTasks);

    // Blocks replacing the default handling of session callbacks.
    using SessionDidBecomeInvalidBlock = std::function<void(const foundation::Ref<net::URLSession>&, const foundation::Ref<foundation::Error>&)>;
    using SessionDidReceiveChallengeBlock = std::function<net::AuthChallengeDisposition(
        const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLAuthenticationChallenge>&, foundation::Ref<net::URLCredential>*)>;
    using TaskNeedNewBodyStreamBlock
        = std::function<foundation::Ref<net::InputStream>(const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionTask>&)>;
    using TaskWillPerformHTTPRedirectionBlock = std::function<foundation::Ref<net::URLRequest>(
        const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionTask>&, const foundation::Ref<net::HTTPURLResponse>&,
        const foundation::Ref<net::URLRequest>&)>;
    using TaskDidReceiveChallengeBlock = std::function<net::AuthChallengeDisposition(
        const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionTask>&, const foundation::Ref<net::URLAuthenticationChallenge>&,
        foundation::Ref<net::URLCredential>*)>;
    using TaskDidSendBodyDataBlock = std::function<void(const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionTask>&,
                                                        std::int64_t bytesSent, std::int64_t totalBytesSent, std::int64_t totalBytesExpectedToSend)>;
    using TaskDidCompleteBlock
        = std::function<void(const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionTask>&, const foundation::Ref<foundation::Error>&)>;
    using DataTaskDidReceiveResponseBlock = std::function<net::ResponseDisposition(
        const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionDataTask>&, const foundation::Ref<net::URLResponse>&)>;
    using DataTaskDidBecomeDownloadTaskBlock = std::function<void(const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionDataTask>&,
                                                                  const foundation::Ref<net::URLSessionDownloadTask>&)>;
    using DataTaskDidReceiveDataBlock = std::function<void(const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionDataTask>&,
                                                           const foundation::Ref<foundation::Data>&)>;
    using DataTaskWillCacheResponseBlock = std::function<foundation::Ref<foundation::Object>(
        const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionDataTask>&, const foundation::Ref<foundation::Object>&)>;
    using DownloadTaskDidWriteDataBlock
        = std::function<void(const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionDownloadTask>&, std::int64_t bytesWritten,
                             std::int64_t totalBytesWritten, std::int64_t totalBytesExpectedToWrite)>;
    using DownloadTaskDidResumeBlock = std::function<void(const foundation::Ref<net::URLSession>&, const foundation::Ref<net::URLSessionDownloadTask>&,
                                                          std::int64_t fileOffset, std::int64_t expectedTotalBytes)>;

    void setSessionDidBecomeInvalidBlock(SessionDidBecomeInvalidBlock block);
    void setSessionDidReceiveAuthenticationChallengeBlock(SessionDidReceiveChallengeBlock block);
    void setTaskNeedNewBodyStreamBlock(TaskNeedNewBodyStreamBlock block);
    void setTaskWillPerformHTTPRedirectionBlock(TaskWillPerformHTTPRedirectionBlock block);
    void setTaskDidReceiveAuthenticationChallengeBlock(TaskDidReceiveChallengeBlock block);
    void setTaskDidSendBodyDataBlock(TaskDidSendBodyDataBlock block);
    void setTaskDidCompleteBlock(TaskDidCompleteBlock block);
    // The session asks for a disposition only while this block is set: answering pauses each
    // transfer until the operation queue runs. Setting or clearing it moves new tasks to a fresh
    // session over the same configuration; tasks already running finish on the old one.
    void setDataTaskDidReceiveResponseBlock(DataTaskDidReceiveResponseBlock block);
    // The engine never turns a data task into a download and has no response cache or resumable
    // downloads: these three blocks are stored, and called by no session.
    void setDataTaskDidBecomeDownloadTaskBlock(DataTaskDidBecomeDownloadTaskBlock block);
    void setDataTaskDidReceiveDataBlock(DataTaskDidReceiveDataBlock block);
    void setDataTaskWillCacheResponseBlock(DataTaskWillCacheResponseBlock block);
    void setDownloadTaskDidFinishDownloadingBlock(NKDownloadTaskDidFinishDownloadingBlock block);
    void setDownloadTaskDidWriteDataBlock(DownloadTaskDidWriteDataBlock block);
    void setDownloadTaskDidResumeBlock(DownloadTaskDidResumeBlock block);

    std::string description() const override;
    // A new manager of the same class over the session's configuration (nothing else is copied).
    foundation::Ref<foundation::Object> copy() const override;
    // Archives keep the configuration's identifier: session configurations cannot be archived on
    // this platform, so a decoded manager gets a default configuration carrying that identifier.
    static bool supportsSecureCoding() { return true; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

    // For the module: the task delegate table. A task in the table has its resume and suspend
    // announced.
    foundation::Ref<NKURLSessionManagerTaskDelegate> delegateForTask(const foundation::Ref<net::URLSessionTask>& task) const;
    void setDelegate(const foundation::Ref<NKURLSessionManagerTaskDelegate>& delegate, const foundation::Ref<net::URLSessionTask>& task);
    void removeDelegateForTask(const foundation::Ref<net::URLSessionTask>& task);
    // The live tasks of one kind ("tasks", "dataTasks", "uploadTasks", "downloadTasks"); nil for any
    // other key path. Answers from the manager's own table, so it never waits on the delegate queue.
    foundation::Ref<foundation::Array> tasksForKeyPath(std::string_view keyPath) const;

protected:
    NKURLSessionManager() = default;
    // The designated initialiser; subclasses call it right after construction.
    void initWithSessionConfiguration(foundation::Ref<net::URLSessionConfiguration> configuration);
    virtual foundation::Ref<NKURLSessionManager> makeEmptyCopy() const;

private:
    // Replaced as a whole by each setter, so a callback reads one consistent set without a lock.
    struct Blocks {
        SessionDidBecomeInvalidBlock sessionDidBecomeInvalid;
        SessionDidReceiveChallengeBlock sessionDidReceiveAuthenticationChallenge;
        TaskWillPerformHTTPRedirectionBlock taskWillPerformHTTPRedirection;
        TaskDidReceiveChallengeBlock taskDidReceiveAuthenticationChallenge;
        TaskNeedNewBodyStreamBlock taskNeedNewBodyStream;
        TaskDidSendBodyDataBlock taskDidSendBodyData;
        TaskDidCompleteBlock taskDidComplete;
        DataTaskDidReceiveResponseBlock dataTaskDidReceiveResponse;
        DataTaskDidBecomeDownloadTaskBlock dataTaskDidBecomeDownloadTask;
        DataTaskDidReceiveDataBlock dataTaskDidReceiveData;
        DataTaskWillCacheResponseBlock dataTaskWillCacheResponse;
        NKDownloadTaskDidFinishDownloadingBlock downloadTaskDidFinishDownloading;
        DownloadTaskDidWriteDataBlock downloadTaskDidWriteData;
        DownloadTaskDidResumeBlock downloadTaskDidResume;
    };
    struct TaskEntry {
        foundation::Ref<NKURLSessionManagerTaskDelegate> delegate;
        foundation::Ref<net::URLSessionTask> task;
    };

    std::shared_ptr<net::URLSessionDelegate> makeSessionDelegate(bool asksForResponseDisposition);
    void addDelegateForTask(const foundation::Ref<net::URLSessionTask>& task, NKProgressBlock uploadProgress, NKProgressBlock downloadProgress,
                            NKDownloadDestinationBlock destination, NKCompletionHandler completionHandler);
    void taskDidResume(const dispatch::Notification& notification);
    void taskDidSuspend(const dispatch::Notification& notification);
    void announce(const dispatch::Notification& notification, std::string_view name) const;
    std::shared_ptr<Blocks> blocks() const;

    // Session callbacks.
    void didBecomeInvalid(const foundation::Ref<net::URLSession>& session, const foundation::Ref<foundation::Error>& error);
    void didReceiveChallenge(const foundation::Ref<net::URLSession>& session, const foundation::Ref<net::URLSessionTask>& task,
                             const foundation::Ref<net::URLAuthenticationChallenge>& challenge, const net::ChallengeHandler& handler);
    void didCompleteWithError(const foundation::Ref<net::URLSession>& session, const foundation::Ref<net::URLSessionTask>& task,
                              const foundation::Ref<foundation::Error>& error);
    void didFinishDownloading(const foundation::Ref<net::URLSession>& session, const foundation::Ref<net::URLSessionDownloadTask>& task,
                              const foundation::Ref<foundation::URL>& location);

    foundation::Ref<net::URLSessionConfiguration> sessionConfiguration_;
    dispatch::QueueRef operationQueue_;
    foundation::Ref<net::URLSession> session_;
    bool recreateUploads_ = false;
    bool sessionAsksForResponses_ = false; // guarded by settingsMutex_

    foundation::Atomic<foundation::Ref<NKHTTPResponseSerializer>> responseSerializer_;
    foundation::Atomic<foundation::Ref<NKSecurityPolicy>> securityPolicy_;
    foundation::Atomic<foundation::Ref<NKNetworkReachabilityManager>> reachabilityManager_;
    foundation::Atomic<dispatch::QueueRef> completionQueue_;
    foundation::Atomic<std::optional<dispatch::Group>> completionGroup_;
    // The callback blocks are replaced as a whole, so a task reads one consistent set.
    mutable std::mutex settingsMutex_;
    std::shared_ptr<Blocks> blocks_;

    // "com.ostrelle.networking.session.manager.lock": the delegate table and the self-reference
    // that keeps the manager alive while the table is not empty.
    mutable std::mutex lock_;
    std::map<unsigned long, TaskEntry> mutableTaskDelegatesKeyedByTaskIdentifier_;
    foundation::Ref<NKURLSessionManager> selfWhileBusy_;

    // One observation of each internal task notification for all the manager's tasks: one per
    // task would make every post walk thousands of observers when many tasks are queued.
    dispatch::Subscription resumeObservation_;
    dispatch::Subscription suspendObservation_;
};

// The process-wide queue where replies are decoded and the group completions join by default.
dispatch::Queue& NKURLSessionManagerProcessingQueue();

// The body size from which a finished task's reply, once delivered and let go, has the process's
// free heap pages returned to the system.
inline constexpr std::size_t kNKLargeReplyBytes = 512 * 1024;

// The configuration an archived manager is decoded with: the default one with the archived
// identifier (background sessions behave as default sessions on this platform).
foundation::Ref<net::URLSessionConfiguration> NKSessionConfigurationFromCoder(foundation::KeyedUnarchiver& coder);
dispatch::Group& NKURLSessionManagerCompletionGroup();
