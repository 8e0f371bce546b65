#pragma once

#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Object.h"
#include "Platform/URLLoading/URLSessionDelegate.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace dispatch {
class Queue;
}

namespace foundation {
class Array;
}

namespace net {

class URLSessionConfiguration;
class URLSessionDataTask;
class URLSessionDownloadTask;
class URLSessionUploadTask;

// A session (NSURLSession): a configuration, a delegate, a delegate queue that runs one
// callback at a time, and the table of its live tasks. Sessions are cheap; all of them share
// the process-wide transfer engine, its connection pool and one in-memory cookie jar. Each
// session opens at most `HTTPMaximumConnectionsPerHost` transfers to one host at a time; the
// others wait in order. A request that fails on a kept-alive connection the server has closed
// meanwhile, before any byte of the answer, goes out once more on a new connection without the
// delegate hearing of it (unless its body is a stream that cannot be reopened). Thread-safe.
class URLSession final : public foundation::Object {
public:
    static const foundation::Class* classObject(); // NSURLSession
    const foundation::Class* isa() const override;

    // A nil configuration means the default one; a nil queue a new serial queue of its own.
    static Ref<URLSession> sessionWithConfiguration(Ref<URLSessionConfiguration> configuration,
                                                    std::shared_ptr<URLSessionDelegate> delegate = nullptr,
                                                    std::shared_ptr<dispatch::Queue> delegateQueue = nullptr);

    Ref<URLSessionConfiguration> configuration() const; // a copy
    // The session's own configuration, never changed after creation (for the engine).
    const URLSessionConfiguration& settings() const { return *configuration_; }
    const std::shared_ptr<dispatch::Queue>& delegateQueue() const { return delegateQueue_; }
    std::shared_ptr<URLSessionDelegate> delegate() const; // nil once invalidated
    std::string sessionDescription() const;
    void setSessionDescription(std::string description);

    // Task creation raises NSGenericException (through foundation::misuse) after invalidation.
    Ref<URLSessionDataTask> dataTaskWithRequest(const Ref<URLRequest>& request);
    Ref<URLSessionUploadTask> uploadTaskWithRequestFromFile(const Ref<URLRequest>& request, const Ref<foundation::URL>& fileURL);
    Ref<URLSessionUploadTask> uploadTaskWithRequestFromData(const Ref<URLRequest>& request, const Ref<foundation::Data>& body);
    Ref<URLSessionUploadTask> uploadTaskWithStreamedRequest(const Ref<URLRequest>& request);
    Ref<URLSessionDownloadTask> downloadTaskWithRequest(const Ref<URLRequest>& request);

    // The live tasks (not yet completed), answered on the delegate queue.
    using TasksHandler = std::function<void(Ref<foundation::Array> dataTasks, Ref<foundation::Array> uploadTasks,
                                            Ref<foundation::Array> downloadTasks)>;
    void getTasksWithCompletionHandler(TasksHandler handler);

    // No new tasks; the delegate hears didBecomeInvalidWithError once the running ones finish.
    void finishTasksAndInvalidate();
    // The same, cancelling every live task first.
    void invalidateAndCancel();

    unsigned long long sessionIdentifier() const { return identifier_; }
    void taskDidComplete(unsigned long taskIdentifier); // from the task, on the delegate queue
    std::string description() const override;

    URLSession(Ref<URLSessionConfiguration> configuration, std::shared_ptr<URLSessionDelegate> delegate,
               std::shared_ptr<dispatch::Queue> delegateQueue);

private:
    template <class TaskType>
    Ref<TaskType> makeTask(const Ref<URLRequest>& request, Ref<foundation::Data> data, const Ref<foundation::URL>& file);
    void deliverInvalidation();

    const Ref<URLSessionConfiguration> configuration_;
    const std::shared_ptr<dispatch::Queue> delegateQueue_;
    const unsigned long long identifier_;
    mutable std::mutex mutex_;
    std::shared_ptr<URLSessionDelegate> delegate_;
    std::map<unsigned long, Ref<URLSessionTask>> liveTasks_;
    unsigned long nextTaskIdentifier_ = 1;
    bool invalidated_ = false;
    bool invalidationDelivered_ = false;
    foundation::Atomic<std::string> description_;
};

} // namespace net
