#pragma once

#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Object.h"
#include "Platform/URLLoading/URLSessionDelegate.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace net {

namespace detail {
class Transfer;
}

class URLSession;

enum class URLSessionTaskState : long { Running = 0, Suspended = 1, Canceling = 2, Completed = 3 };

inline constexpr float URLSessionTaskPriorityDefault = 0.5f;
inline constexpr float URLSessionTaskPriorityLow = 0.0f;
inline constexpr float URLSessionTaskPriorityHigh = 1.0f;

// One load (NSURLSessionTask). New tasks are suspended until `resume`. `resume`, `suspend` and
// `cancel` may be called from any thread; the delegate hears of the task on the session's
// delegate queue and hears of its completion exactly once, whatever ends it. Byte counts are
// updated on the delegate queue just before the callback that reports them; -1 means unknown.
class URLSessionTask : public foundation::Object {
public:
    enum class Kind { Data, Upload, Download };

    static const foundation::Class* classObject(); // NSURLSessionTask
    const foundation::Class* isa() const override;

    unsigned long taskIdentifier() const { return identifier_; }
    Kind kind() const { return kind_; }
    std::string taskDescription() const;
    void setTaskDescription(std::string description);
    URLSessionTaskState state() const;
    Ref<URLRequest> originalRequest() const { return originalRequest_; }
    Ref<URLRequest> currentRequest() const;
    Ref<URLResponse> response() const;
    Ref<foundation::Error> error() const;
    std::int64_t countOfBytesSent() const { return bytesSent_; }
    std::int64_t countOfBytesExpectedToSend() const { return bytesExpectedToSend_; }
    std::int64_t countOfBytesReceived() const { return bytesReceived_; }
    std::int64_t countOfBytesExpectedToReceive() const { return bytesExpectedToReceive_; }
    float priority() const { return priority_; }
    void setPriority(float priority) { priority_ = priority; }

    void resume();
    void suspend();
    void cancel();

    std::string description() const override;

    // The body an upload task sends instead of the request's own.
    struct UploadSource {
        Ref<foundation::Data> data;
        std::optional<std::filesystem::path> file;
    };
    URLSessionTask(Kind kind, Ref<URLSession> session, unsigned long identifier, Ref<URLRequest> request, UploadSource upload);

    // The rest is for the session and the transfer engine.
    const Ref<URLSession>& session() const { return session_; }
    const UploadSource& uploadSource() const { return upload_; }
    std::filesystem::path downloadFile() const;
    void enqueue(std::function<void()> block) const; // on the delegate queue
    void complete(Ref<foundation::Error> error);      // schedules completion once
    void deliverResponse(const Ref<URLResponse>& response);
    void deliverData(const Ref<foundation::Data>& data);
    void deliverBodySent(std::int64_t totalSent);
    void deliverWritten(std::int64_t totalWritten);
    void followRedirect(Ref<URLRequest> request, int redirectCount);
    // Engine thread: `fresh` takes over from `lost`, paused if the task is suspended; false
    // (and nothing changes) once the task is cancelled or complete.
    bool replaceTransfer(const std::shared_ptr<detail::Transfer>& lost, std::shared_ptr<detail::Transfer> fresh);
    // True when the delegate will be asked for a response disposition (data tasks only).
    bool asksForResponseDisposition() const;
    void setExpectedToSend(std::int64_t expected) { bytesExpectedToSend_ = expected; }

private:
    void startTransfer(Ref<URLRequest> request, int redirectCount);
    void deliverCompletion(Ref<foundation::Error> error);
    void applyDisposition(ResponseDisposition disposition);
    Ref<URLSessionTask> selfTask();

    const Kind kind_;
    const Ref<URLSession> session_;
    const unsigned long identifier_;
    const Ref<URLRequest> originalRequest_;
    const UploadSource upload_;
    std::filesystem::path downloadFile_;

    mutable std::mutex mutex_;
    URLSessionTaskState state_ = URLSessionTaskState::Suspended;
    bool started_ = false;
    Ref<URLRequest> currentRequest_;
    Ref<URLResponse> response_;
    Ref<foundation::Error> error_;
    std::shared_ptr<detail::Transfer> transfer_;

    std::atomic<std::int64_t> bytesSent_{0};
    std::atomic<std::int64_t> bytesExpectedToSend_{0};
    std::atomic<std::int64_t> bytesReceived_{0};
    std::atomic<std::int64_t> bytesExpectedToReceive_{-1};
    std::atomic<float> priority_{URLSessionTaskPriorityDefault};
    std::atomic<bool> completionScheduled_{false};
    foundation::Atomic<std::string> description_;

    // Delegate-queue state: data held back while the delegate decides on the response.
    bool completed_ = false;
    bool awaitingDisposition_ = false;
    std::deque<Ref<foundation::Data>> heldData_;
    std::optional<Ref<foundation::Error>> heldCompletion_;
};

} // namespace net
