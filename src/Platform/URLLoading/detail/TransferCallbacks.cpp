#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/FreeSpace.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Security/Certificate.h"
#include "Platform/Security/Policy.h"
#include "Platform/Security/Trust.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/InputStream.h"
#include "Platform/URLLoading/URLAuthenticationChallenge.h"
#include "Platform/URLLoading/URLCredential.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionTask.h"
#include "Platform/URLLoading/detail/CurlCallbacks.h"
#include "Platform/URLLoading/detail/Transfer.h"
#include "Platform/URLLoading/detail/TransferEngine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <curl/curl.h>
#include <fcntl.h>
#include <linux/falloc.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace net::detail {

namespace {

// A data task stops reading when this much is waiting for the delegate, and reads again once
// the delegate has caught up to the lower mark.
constexpr std::int64_t kHighWater = 8 * 1024 * 1024;
constexpr std::int64_t kLowWater = 2 * 1024 * 1024;
constexpr std::size_t kRedirectBodyLimit = 1024 * 1024;
// A response head larger than this is not a server we want to talk to.
constexpr std::size_t kHeaderLimit = 256 * 1024;
// A download reserves disk room for what it announced one step ahead of what arrived, never all
// at once: a server announcing gigabytes gets no more room than it fills.
constexpr std::int64_t kReserveStep = 8 * 1024 * 1024;

std::string trimLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return std::string(line);
}

bool isRedirectStatus(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int verifyTrampoline(X509_STORE_CTX* context, void* user)
{
    return static_cast<Transfer*>(user)->onVerifyPeer(context);
}

} // namespace

struct Transfer::ChallengeWaiter {
    std::mutex mutex;
    std::condition_variable condition;
    bool answered = false;
    AuthChallengeDisposition disposition = AuthChallengeDisposition::PerformDefaultHandling;
    Ref<URLCredential> credential;

    void answer(AuthChallengeDisposition value, Ref<URLCredential> given)
    {
        std::lock_guard lock(mutex);
        if (answered)
            return;
        answered = true;
        disposition = value;
        credential = std::move(given);
        condition.notify_all();
    }
};

std::size_t curlHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    return static_cast<Transfer*>(user)->onHeader(data, size * count);
}

std::size_t curlWrite(char* data, std::size_t size, std::size_t count, void* user)
{
    return static_cast<Transfer*>(user)->onWrite(data, size * count);
}

std::size_t curlRead(char* buffer, std::size_t size, std::size_t count, void* user)
{
    return static_cast<Transfer*>(user)->onRead(buffer, size * count);
}

int curlSeek(void* user, std::int64_t offset, int origin)
{
    if (offset != 0 || origin != SEEK_SET)
        return CURL_SEEKFUNC_CANTSEEK;
    return static_cast<Transfer*>(user)->onRewind() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_CANTSEEK;
}

int curlProgress(void* user, std::int64_t, std::int64_t, std::int64_t, std::int64_t uploaded)
{
    static_cast<Transfer*>(user)->onProgress(uploaded);
    return 0;
}

int curlSslContext(void*, void* sslContext, void* user)
{
    auto* context = static_cast<SSL_CTX*>(sslContext);
    // Verification must be on for OpenSSL to act on our verdict; the verdict itself is ours.
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_cert_verify_callback(context, &verifyTrampoline, user);
    return CURLE_OK;
}

std::size_t Transfer::onHeader(const char* data, std::size_t length)
{
    noteActivity(static_cast<std::int64_t>(length));
    if (headersDone_)
        return length; // trailers
    headerBytes_ += length;
    if (headerBytes_ > kHeaderLimit) {
        headerTooLarge_ = true;
        return 0;
    }
    std::string line = trimLine(std::string_view(data, length));
    if (line.starts_with("HTTP/")) {
        std::size_t space = line.find(' ');
        version_ = line.substr(0, space);
        status_ = space == std::string::npos ? 0 : std::strtol(line.c_str() + space + 1, nullptr, 10);
        headerLines_.clear();
        return length;
    }
    if (line.empty()) {
        if (status_ >= 100 && status_ < 200) {
            status_ = 0;
            headerLines_.clear();
            return length;
        }
        headersComplete();
        return writeFailed_ || noSpace_ || bodyTooLarge_ ? 0 : length;
    }
    if ((line.front() == ' ' || line.front() == '\t') && !headerLines_.empty()) {
        headerLines_.back().second += " " + line.substr(line.find_first_not_of(" \t"));
        return length;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string::npos)
        return length;
    std::string value = line.substr(colon + 1);
    std::size_t start = value.find_first_not_of(" \t");
    headerLines_.emplace_back(
        line.substr(0, colon), start == std::string::npos ? std::string() : value.substr(start));
    return length;
}

void Transfer::headersComplete()
{
    headersDone_ = true;
    windowStart_ = std::chrono::steady_clock::now();
    windowBytes_ = 0;
    response_ = HTTPURLResponse::create(request_->URL(), status_, version_, headerLines_);
    if (isRedirectStatus(status_) && response_->valueForHTTPHeaderField("Location")) {
        redirect_ = true;
        return;
    }
    curl_off_t uploaded = 0;
    if (curl_easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &uploaded) == CURLE_OK)
        onProgress(uploaded);
    if (isDownload_) {
        fd_ = ::open(task_->downloadFile().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) {
            writeFailed_ = true;
            writeErrno_ = errno;
            return;
        }
        if (announcesMoreThanTheLimit()) {
            bodyTooLarge_ = true;
            return;
        }
        announced_ = response_->expectedContentLength();
        nextSpaceCheck_ = 0;
        if (announced_ > 0) {
            // A length the disk cannot hold fails now rather than after filling it.
            if (!roomFor(static_cast<std::uint64_t>(announced_))) {
                noSpace_ = true;
                return;
            }
            reserveAhead();
        }
    } else {
        if (announcesMoreThanTheLimit()) {
            bodyTooLarge_ = true;
            return;
        }
        if (task_->asksForResponseDisposition())
            awaitingDisposition_ = true;
    }
    auto task = task_;
    auto response = response_;
    task->enqueue([task, response] { task->deliverResponse(response); });
}

bool Transfer::announcesMoreThanTheLimit() const
{
    if (responseBodyLimit_ <= 0 || response_->expectedContentLength() <= responseBodyLimit_)
        return false;
    // A plain body announcing more is refused at once; a coded one is counted as it inflates.
    auto coding = response_->valueForHTTPHeaderField("Content-Encoding");
    return !coding || equalsIgnoringCase(*coding, "identity");
}

std::optional<std::uint64_t> Transfer::freeBytes() const
{
    if (freeSpaceProbe_)
        return freeSpaceProbe_(task_->downloadFile().string());
    struct statvfs space { };
    if (::fstatvfs(fd_, &space) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
}

bool Transfer::roomFor(std::uint64_t bytes) const
{
    const std::uint64_t wanted = bytes + freeSpaceReserve_;
    std::optional<std::uint64_t> free = freeBytes();
    if (!free || *free >= wanted)
        return true;
    // What the client can fetch again (cached images) makes way before a download is refused.
    if (foundation::reclaimDiskRoom(task_->downloadFile().string(), wanted - *free) == 0)
        return false;
    free = freeBytes();
    return !free || *free >= wanted;
}

void Transfer::reserveAhead()
{
    // Reserving spares the file system an allocation per write; the file's length still grows
    // only with what arrives.
    if (announced_ <= reserved_ || written_ + kReserveStep / 2 < reserved_)
        return;
    const std::int64_t until = std::min(announced_, written_ + kReserveStep);
    if (until <= reserved_)
        return;
    ::fallocate(
        fd_, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(reserved_), static_cast<off_t>(until - reserved_));
    reserved_ = until;
}

std::size_t Transfer::onWrite(const char* data, std::size_t length)
{
    // Bytes count for the low-speed window once taken: paused writes come back again.
    noteActivity();
    if (redirect_) {
        windowBytes_ += static_cast<std::int64_t>(length);
        redirectBody_.append(
            data, std::min(length, kRedirectBodyLimit - std::min(kRedirectBodyLimit, redirectBody_.size())));
        return length;
    }
    if (isDownload_) {
        if (responseBodyLimit_ > 0 && written_ + static_cast<std::int64_t>(length) > responseBodyLimit_) {
            bodyTooLarge_ = true;
            return 0;
        }
        // Other downloads and programs share the disk: its free space is asked again as the file
        // grows, whatever was announced.
        if (freeSpaceReserve_ > 0 && written_ + static_cast<std::int64_t>(length) >= nextSpaceCheck_) {
            if (!roomFor(length)) {
                noSpace_ = true;
                return 0;
            }
            nextSpaceCheck_ = written_ + static_cast<std::int64_t>(length)
                + URLSessionConfiguration::downloadFreeSpaceCheckBytes;
        }
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = ::write(fd_, data + done, length - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                writeFailed_ = true;
                writeErrno_ = n < 0 ? errno : ENOSPC;
                return 0;
            }
            done += static_cast<std::size_t>(n);
        }
        written_ += static_cast<std::int64_t>(length);
        windowBytes_ += static_cast<std::int64_t>(length);
        reserveAhead();
        scheduleProgress();
        return length;
    }
    if (awaitingDisposition_)
        return CURL_WRITEFUNC_PAUSE;
    if (inflight_ > kHighWater) {
        backpressured_ = true;
        if (inflight_ > kLowWater)
            return CURL_WRITEFUNC_PAUSE;
        backpressured_ = false;
    }
    if (responseBodyLimit_ > 0 && bodyReceived_ + static_cast<std::int64_t>(length) > responseBodyLimit_) {
        bodyTooLarge_ = true;
        return 0;
    }
    bodyReceived_ += static_cast<std::int64_t>(length);
    windowBytes_ += static_cast<std::int64_t>(length);
    {
        std::lock_guard lock(bufferMutex_);
        buffer_.insert(buffer_.end(), data, data + length);
    }
    inflight_ += static_cast<std::int64_t>(length);
    scheduleDataFlush();
    return length;
}

void Transfer::scheduleDataFlush()
{
    if (flushScheduled_.exchange(true))
        return;
    auto self = shared_from_this();
    task_->enqueue([self] { self->flushData(); });
}

void Transfer::flushData()
{
    flushScheduled_ = false;
    std::vector<std::uint8_t> bytes;
    {
        std::lock_guard lock(bufferMutex_);
        bytes.swap(buffer_);
    }
    if (bytes.empty())
        return;
    auto length = static_cast<std::int64_t>(bytes.size());
    task_->deliverData(foundation::Data::create(std::move(bytes)));
    inflight_ -= length;
    if (inflight_ <= kLowWater && backpressured_.exchange(false))
        TransferEngine::shared().resumeReceiving(shared_from_this());
}

void Transfer::scheduleProgress()
{
    if (progressScheduled_.exchange(true))
        return;
    auto self = shared_from_this();
    task_->enqueue([self] {
        self->progressScheduled_ = false;
        self->task_->deliverWritten(self->written_);
    });
}

void Transfer::onProgress(std::int64_t uploaded)
{
    if (uploaded <= uploaded_)
        return;
    noteActivity(uploaded - uploaded_);
    // The server's time to answer runs from the last byte of the request it got.
    headerClock_ = lastActivity_;
    uploaded_ = uploaded;
    if (sentScheduled_.exchange(true))
        return;
    auto self = shared_from_this();
    task_->enqueue([self] {
        self->sentScheduled_ = false;
        self->task_->deliverBodySent(self->uploaded_);
    });
}

std::size_t Transfer::onRead(char* buffer, std::size_t length)
{
    noteActivity();
    std::ptrdiff_t n = body_->read(reinterpret_cast<std::uint8_t*>(buffer), length);
    if (n < 0) {
        readFailed_ = true;
        return CURL_READFUNC_ABORT;
    }
    return static_cast<std::size_t>(n);
}

bool Transfer::onRewind()
{
    auto again = body_->reopened();
    if (!again || !again->open())
        return false;
    body_->close();
    body_ = std::move(again);
    return true;
}

void Transfer::releaseDisposition()
{
    awaitingDisposition_ = false;
    TransferEngine::shared().resumeReceiving(shared_from_this());
}

void Transfer::abortChallenge()
{
    std::shared_ptr<ChallengeWaiter> waiter;
    {
        std::lock_guard lock(challengeMutex_);
        challengeAborted_ = true;
        waiter = waiter_;
    }
    if (waiter)
        waiter->answer(AuthChallengeDisposition::CancelAuthenticationChallenge, nullptr);
}

int Transfer::onVerifyPeer(x509_store_ctx_st* context)
{
    std::vector<Ref<security::Certificate>> chain;
    X509* leaf = X509_STORE_CTX_get0_cert(context);
    if (leaf && X509_up_ref(leaf) == 1)
        chain.push_back(security::Certificate::adopt(leaf));
    STACK_OF(X509)* peers = X509_STORE_CTX_get0_untrusted(context);
    for (int i = 0; peers && i < sk_X509_num(peers); ++i) {
        X509* cert = sk_X509_value(peers, i);
        if (leaf && X509_cmp(cert, leaf) == 0)
            continue;
        if (X509_up_ref(cert) == 1)
            chain.push_back(security::Certificate::adopt(cert));
    }
    auto trust
        = security::Trust::createWithCertificates(std::move(chain), security::Policy::SSL(true, host_));
    if (!trust) {
        trustOutcome_ = TrustOutcome::Rejected;
        return 0;
    }

    auto disposition = AuthChallengeDisposition::PerformDefaultHandling;
    Ref<URLCredential> credential;
    auto delegate = task_->session()->delegate();
    if (delegate && (delegate->didReceiveChallenge || delegate->taskDidReceiveChallenge)) {
        auto waiter = std::make_shared<ChallengeWaiter>();
        {
            std::lock_guard lock(challengeMutex_);
            if (challengeAborted_)
                waiter->answer(AuthChallengeDisposition::CancelAuthenticationChallenge, nullptr);
            waiter_ = waiter;
        }
        auto space = std::make_shared<URLProtectionSpace>(
            host_, port_, scheme_, std::string(NSURLAuthenticationMethodServerTrust), trust);
        auto challenge = std::make_shared<URLAuthenticationChallenge>(space);
        auto task = task_;
        // Straight onto the queue, not batched: the engine waits for the answer below.
        task->session()->delegateQueue()->async([task, delegate, challenge, waiter] {
            ChallengeHandler handler = [waiter](AuthChallengeDisposition value, Ref<URLCredential> given) {
                waiter->answer(value, std::move(given));
            };
            if (delegate->didReceiveChallenge)
                delegate->didReceiveChallenge(task->session(), challenge, handler);
            else
                delegate->taskDidReceiveChallenge(task->session(), task, challenge, handler);
        });
        // The engine thread waits here: the handshake cannot go on without the verdict. A
        // delegate that never answers costs the task its idle time-out, not the engine.
        std::unique_lock lock(waiter->mutex);
        bool answered = waiter->condition.wait_for(
            lock, std::chrono::duration<double>(idleTimeout()), [&] { return waiter->answered; });
        if (!answered) {
            trustOutcome_ = TrustOutcome::TimedOut;
            return 0;
        }
        disposition = waiter->disposition;
        credential = waiter->credential;
        lock.unlock();
        std::lock_guard reset(challengeMutex_);
        waiter_.reset();
        // The time the delegate took is not the server's.
        restartClocks();
    }

    switch (disposition) {
    case AuthChallengeDisposition::CancelAuthenticationChallenge:
        trustOutcome_ = TrustOutcome::Cancelled;
        return 0;
    case AuthChallengeDisposition::UseCredential:
        if (credential && credential->serverTrust()) {
            trustOutcome_ = TrustOutcome::Accepted;
            return 1;
        }
        break;
    default:
        break;
    }
    auto result = trust->evaluate();
    if (result == security::TrustResult::Unspecified || result == security::TrustResult::Proceed) {
        trustOutcome_ = TrustOutcome::Accepted;
        return 1;
    }
    X509_STORE_CTX_set_error(context, X509_V_ERR_APPLICATION_VERIFICATION);
    trustOutcome_ = TrustOutcome::Rejected;
    return 0;
}

} // namespace net::detail
