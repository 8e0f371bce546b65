#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/URLLoading/URLSessionDelegate.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

typedef void CURL;
struct curl_slist;
struct x509_store_ctx_st;

namespace net::detail {

// One HTTP exchange of a task on the engine: the easy handle, the parsing of the response head,
// the body going out and the bytes coming in. A redirect ends it and starts a new Transfer.
// Callbacks run on the engine thread; the delegate-facing work is posted to the task's delegate
// queue, with data coalesced and back-pressure applied when the delegate falls behind.
class Transfer : public std::enable_shared_from_this<Transfer> {
public:
    // nil (and the error) when the request cannot be sent: bad or unsupported URL, missing file.
    static std::shared_ptr<Transfer> create(const Ref<URLSessionTask>& task, const Ref<URLRequest>& request, int redirectCount,
                                            Ref<foundation::Error>* error);
    Transfer(Ref<URLSessionTask> task, Ref<URLRequest> request, int redirectCount);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* easy() const { return easy_; }
    const std::string& hostKey() const { return hostKey_; }
    long connectionLimit() const { return connectionLimit_; }

    // Engine thread.
    bool userPaused = false;
    // True when the transfer stalls while it could move, each limit being the request's time-out
    // interval T: no byte for T; a response head not complete T after the request went out; or,
    // while a body moves (the response's, or a request body still going out), fewer than
    // kLowSpeedBytesPerSecond x T bytes in a window of T. A trickle fails like silence does.
    bool stalled(std::chrono::steady_clock::time_point now);
    void restartClocks(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());
    void noteActivity(std::int64_t bytes = 0)
    {
        lastActivity_ = std::chrono::steady_clock::now();
        windowBytes_ += bytes;
    }
    void finished(int curlCode);
    // A request that failed on a kept-alive connection the server had meanwhile closed, before any
    // byte of the answer came, goes out once more on a new connection: the transfer that does it
    // (already the task's), or nil when the failure is the task's. Never a second time, never
    // once part of the answer arrived, never with a body that cannot be sent again.
    std::shared_ptr<Transfer> retryOnFreshConnection(int curlCode);
    void closeFile();
    // Attaches the shared cookie jar before the first add, and frees the handle after the
    // last use; both on the engine thread, the only one that may touch the shared jar.
    void attach(void* cookieShare);
    void releaseHandle();
    void markDetached() { detached_ = true; }
    bool isDetached() const { return detached_; }

    // Any thread.
    void abortChallenge();
    void releaseDisposition();

    // libcurl and OpenSSL callbacks.
    std::size_t onHeader(const char* data, std::size_t length);
    std::size_t onWrite(const char* data, std::size_t length);
    std::size_t onRead(char* buffer, std::size_t length);
    bool onRewind();
    void onProgress(std::int64_t uploaded);
    int onVerifyPeer(x509_store_ctx_st* context);

private:
    enum class TrustOutcome { None, Accepted, Rejected, Cancelled, TimedOut };
    struct ChallengeWaiter;

    bool setUp(Ref<foundation::Error>* error);
    void addHeaders();
    void headersComplete();
    void handleRedirect();
    void proceedWithRedirect(Ref<URLRequest> next);
    Ref<foundation::Error> errorFor(int curlCode) const;
    bool lostReusedConnection(int curlCode) const;
    // The request to send again, its body stream reopened; nil when the body cannot be replayed.
    Ref<URLRequest> replayableRequest() const;
    // Why `next` may not follow `request_`, or nil: never from https to another scheme, never a
    // request body to another origin.
    Ref<foundation::Error> redirectRefusal(const URLRequest& next) const;
    bool carriesBody(const URLRequest& request) const;
    void reserveAhead();
    // The free bytes of the download file's file system (the configuration's probe, else the
    // system's answer); whether `bytes` more leave the reserve free. Unknown free space refuses nothing.
    std::optional<std::uint64_t> freeBytes() const;
    bool roomFor(std::uint64_t bytes) const;
    // Whether the response announces a plain body longer than the limit of the task's kind.
    bool announcesMoreThanTheLimit() const;
    void scheduleDataFlush();
    void flushData();
    void scheduleProgress();
    double idleTimeout() const;

    const Ref<URLSessionTask> task_;
    const Ref<URLRequest> request_;
    const int redirectCount_;
    bool retried_ = false; // this transfer is the one retry its request gets
    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    std::string url_;
    std::string scheme_;
    std::string host_;
    long port_ = 0;
    std::string hostKey_;
    std::string caKey_;
    long connectionLimit_ = 6;
    bool isDownload_ = false;
    bool wantsCookies_ = false;
    std::chrono::steady_clock::duration idleLimit_{};
    std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point headerClock_ = lastActivity_; // the head is due T after this
    std::chrono::steady_clock::time_point windowStart_ = lastActivity_; // the low-speed window
    std::int64_t windowBytes_ = 0;
    std::int64_t lowSpeedFloor_ = 1; // bytes a window of T must move
    std::atomic<bool> detached_{false};

    Ref<InputStream> body_;
    Ref<foundation::Data> bodyData_; // an in-memory body, handed to libcurl as is
    std::int64_t bodySize_ = -1;
    bool bodyFromFile_ = false;
    bool readFailed_ = false;

    // Response head, engine thread.
    long status_ = 0;
    std::string version_;
    std::vector<std::pair<std::string, std::string>> headerLines_;
    bool headersDone_ = false;
    std::size_t headerBytes_ = 0;
    bool headerTooLarge_ = false;
    bool redirect_ = false;
    Ref<HTTPURLResponse> response_;
    std::string redirectBody_;

    int fd_ = -1;
    bool writeFailed_ = false;
    int writeErrno_ = 0; // why the download file could not be opened or written, when the system said
    bool noSpace_ = false; // a download announced, or wrote, more than the disk may give it
    std::uint64_t freeSpaceReserve_ = 0; // bytes a download leaves free
    std::int64_t nextSpaceCheck_ = 0; // written_ at which the free space is asked again
    std::function<std::optional<std::uint64_t>(const std::string&)> freeSpaceProbe_;
    std::int64_t announced_ = -1;  // a download's announced length
    std::int64_t reserved_ = 0;    // bytes of the download file reserved on disk so far

    // The body, counted after decoding, against the session's limit for the task's kind (0: none).
    std::int64_t responseBodyLimit_ = 0;
    std::int64_t bodyReceived_ = 0;
    bool bodyTooLarge_ = false;

    std::mutex bufferMutex_;
    std::vector<std::uint8_t> buffer_;
    std::atomic<bool> flushScheduled_{false};
    std::atomic<std::int64_t> inflight_{0};
    std::atomic<bool> backpressured_{false};
    std::atomic<bool> awaitingDisposition_{false};

    std::atomic<std::int64_t> written_{0};
    std::atomic<std::int64_t> uploaded_{0};
    std::atomic<bool> progressScheduled_{false};
    std::atomic<bool> sentScheduled_{false};

    TrustOutcome trustOutcome_ = TrustOutcome::None;
    std::mutex challengeMutex_;
    std::shared_ptr<ChallengeWaiter> waiter_;
    bool challengeAborted_ = false;
};

} // namespace net::detail
