#include "Platform/URLLoading/detail/Transfer.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/InputStream.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionTask.h"
#include "Platform/URLLoading/detail/CurlCallbacks.h"
#include "Platform/URLLoading/detail/TransferEngine.h"

#include <curl/curl.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace net::detail {

namespace {

constexpr int kMaxRedirects = 16;
constexpr long kDownloadBufferSize = 512 * 1024;
// A moving body must average at least this over each window of the request's time-out interval;
// one byte a second, or a chunk header with one byte in it, is a stall and not a slow network.
constexpr std::int64_t kLowSpeedBytesPerSecond = 64;

// Loopback never goes through a proxy, whatever the environment says.
const std::string& noProxyList()
{
    static const std::string list = [] {
        const char* env = std::getenv("no_proxy");
        if (!env)
            env = std::getenv("NO_PROXY");
        std::string text = "localhost,127.0.0.1,::1";
        if (env && *env)
            text += std::string(",") + env;
        return text;
    }();
    return list;
}

} // namespace

Transfer::Transfer(Ref<URLSessionTask> task, Ref<URLRequest> request, int redirectCount)
    : task_(std::move(task))
    , request_(std::move(request))
    , redirectCount_(redirectCount)
{
}

Transfer::~Transfer()
{
    closeFile();
    if (easy_)
        curl_easy_cleanup(easy_);
    if (headers_)
        curl_slist_free_all(headers_);
}

std::shared_ptr<Transfer> Transfer::create(const Ref<URLSessionTask>& task, const Ref<URLRequest>& request, int redirectCount,
                                           Ref<foundation::Error>* error)
{
    auto transfer = std::make_shared<Transfer>(task, request, redirectCount);
    if (!transfer->setUp(error))
        return nullptr;
    return transfer;
}

double Transfer::idleTimeout() const
{
    double seconds = request_->hasExplicitTimeout() ? request_->timeoutInterval() : task_->session()->settings().timeoutIntervalForRequest;
    return seconds > 0 ? seconds : URLRequest::kDefaultTimeout;
}

bool Transfer::setUp(Ref<foundation::Error>* error)
{
    const auto& url = request_->URL();
    auto fail = [&](long long code) {
        if (error)
            *error = makeURLError(code, url);
        return false;
    };
    if (!url)
        return fail(NSURLErrorBadURL);
    scheme_ = url->scheme() ? asciiLowercase(url->scheme()->utf8()) : std::string();
    if (scheme_ != "http" && scheme_ != "https")
        return fail(NSURLErrorUnsupportedURL);
    auto host = url->host();
    if (!host || host->utf8().empty())
        return fail(NSURLErrorBadURL);
    host_ = host->utf8();
    port_ = url->port() ? static_cast<long>(url->port()->integerValue()) : (scheme_ == "https" ? 443 : 80);
    url_ = url->absoluteString();
    if (auto hash = url_.find('#'); hash != std::string::npos)
        url_.erase(hash);
    const auto& configuration = task_->session()->settings();
    connectionLimit_ = std::max(1L, configuration.HTTPMaximumConnectionsPerHost);
    hostKey_ = std::to_string(task_->session()->sessionIdentifier()) + "|" + scheme_ + "://" + host_ + ":" + std::to_string(port_);
    isDownload_ = task_->kind() == URLSessionTask::Kind::Download;

    // An upload task's body goes with its request, not with a redirect that turned it into a GET.
    const std::string& requestMethod = request_->HTTPMethod();
    const bool bodiless = redirectCount_ > 0 && (requestMethod == "GET" || requestMethod == "HEAD");
    const auto upload = bodiless ? URLSessionTask::UploadSource{} : task_->uploadSource();
    if (upload.file) {
        std::error_code ec;
        auto size = std::filesystem::file_size(*upload.file, ec);
        if (ec || ::access(upload.file->c_str(), R_OK) != 0)
            return fail(NSURLErrorFileDoesNotExist);
        body_ = InputStream::inputStreamWithFileAtPath(*upload.file);
        bodySize_ = static_cast<std::int64_t>(size);
        bodyFromFile_ = true;
    } else if (upload.data || request_->HTTPBody()) {
        bodyData_ = upload.data ? upload.data : request_->HTTPBody();
        body_ = InputStream::inputStreamWithData(bodyData_);
        bodySize_ = static_cast<std::int64_t>(bodyData_->length());
    } else if (request_->HTTPBodyStream()) {
        body_ = request_->HTTPBodyStream();
        if (auto length = request_->valueForHTTPHeaderField("Content-Length"))
            bodySize_ = foundation::String::create(*length)->integerValue();
    }
    if (body_ && !body_->open()) {
        readFailed_ = true;
        return fail(bodyFromFile_ ? NSURLErrorFileDoesNotExist : NSURLErrorRequestBodyStreamExhausted);
    }
    bool streamed = body_ && !upload.file && !upload.data && !request_->HTTPBody();
    task_->setExpectedToSend(body_ ? (streamed ? -1 : bodySize_) : 0);

    easy_ = curl_easy_init();
    if (!easy_)
        return fail(NSURLErrorUnknown);
    curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_NOPROXY, noProxyList().c_str());
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &curlHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &curlWrite);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &curlProgress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(easy_, CURLOPT_TCP_KEEPALIVE, 1L);
    if (isDownload_)
        curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kDownloadBufferSize);

    // The trust decision is ours (see onVerifyPeer); libcurl's own checks would run first and
    // fail before the delegate is asked. Resumed TLS sessions would skip the challenge.
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(easy_, CURLOPT_SSL_SESSIONID_CACHE, 0L);
    curl_easy_setopt(easy_, CURLOPT_SSL_CTX_FUNCTION, &curlSslContext);
    curl_easy_setopt(easy_, CURLOPT_SSL_CTX_DATA, this);
    // libcurl reuses a TLS connection only for the same CA file name. A name of the session's
    // own (never read: verification is ours) keeps sessions from sharing TLS connections, so
    // each session's delegate sees the challenge for every server it talks to.
    caKey_ = "/nonexistent/corvane-session-" + std::to_string(task_->session()->sessionIdentifier());
    curl_easy_setopt(easy_, CURLOPT_CAINFO, caKey_.c_str());
    curl_easy_setopt(easy_, CURLOPT_CAPATH, nullptr);

    // Stalls are watched by the engine (stalled()); libcurl's low-speed check averages over
    // whole seconds and knows nothing of pauses, disposition or the delegate's trust decision.
    double idle = idleTimeout();
    idleLimit_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(idle));
    lowSpeedFloor_ = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(idle * kLowSpeedBytesPerSecond)));
    responseBodyLimit_ = std::max<std::int64_t>(0, isDownload_ ? configuration.downloadLengthLimit : configuration.responseBodyLimit);
    freeSpaceReserve_ = configuration.downloadFreeSpaceReserve;
    freeSpaceProbe_ = configuration.freeSpaceProbe;
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(idle * 1000));
    if (configuration.timeoutIntervalForResource > 0)
        curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, static_cast<long>(configuration.timeoutIntervalForResource * 1000));
    wantsCookies_ = request_->HTTPShouldHandleCookies() && configuration.HTTPShouldSetCookies;

    const std::string& method = request_->HTTPMethod();
    if (method == "HEAD") {
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    } else if (body_) {
        curl_easy_setopt(easy_, CURLOPT_POST, 1L);
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodySize_));
        if (bodyData_) {
            // Small in-memory bodies then go out in the same write as the head.
            curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, bodyData_->bytes());
        } else {
            curl_easy_setopt(easy_, CURLOPT_READFUNCTION, &curlRead);
            curl_easy_setopt(easy_, CURLOPT_READDATA, this);
            curl_easy_setopt(easy_, CURLOPT_SEEKFUNCTION, &curlSeek);
            curl_easy_setopt(easy_, CURLOPT_SEEKDATA, this);
        }
        if (method != "POST")
            curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method.c_str());
    } else if (method == "POST") {
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE, 0L);
        curl_easy_setopt(easy_, CURLOPT_COPYPOSTFIELDS, "");
    } else if (method != "GET") {
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
    addHeaders();
    return true;
}

void Transfer::addHeaders()
{
    auto append = [this](const std::string& name, const std::string& value) {
        std::string line = value.empty() ? name + ";" : name + ": " + value;
        headers_ = curl_slist_append(headers_, line.c_str());
    };
    for (const auto& [name, value] : request_->headerFields())
        append(name, value);
    for (const auto& [name, value] : task_->session()->settings().HTTPAdditionalHeaders)
        if (!request_->valueForHTTPHeaderField(name))
            append(name, value);
    if (!request_->valueForHTTPHeaderField("Expect"))
        headers_ = curl_slist_append(headers_, "Expect:");
    if (body_ && bodySize_ < 0 && !request_->valueForHTTPHeaderField("Transfer-Encoding"))
        headers_ = curl_slist_append(headers_, "Transfer-Encoding: chunked");
    if (!request_->valueForHTTPHeaderField("User-Agent"))
        curl_easy_setopt(easy_, CURLOPT_USERAGENT, "CorvaneFonts/0.1 (Linux)");
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
}

void Transfer::restartClocks(std::chrono::steady_clock::time_point now)
{
    lastActivity_ = now;
    headerClock_ = now;
    windowStart_ = now;
    windowBytes_ = 0;
}

bool Transfer::stalled(std::chrono::steady_clock::time_point now)
{
    if (userPaused || backpressured_ || awaitingDisposition_) {
        restartClocks(now);
        return false;
    }
    if (now - lastActivity_ > idleLimit_)
        return true;
    if (!headersDone_ && now - headerClock_ > idleLimit_)
        return true;
    // A request body that has gone out and a server that has not answered yet are the head's
    // time-out's business; the window measures bodies that are moving.
    const bool uploading = bodySize_ > 0 && uploaded_ > 0 && uploaded_ < bodySize_;
    if (!headersDone_ && !uploading) {
        windowStart_ = now;
        windowBytes_ = 0;
        return false;
    }
    if (now - windowStart_ < idleLimit_)
        return false;
    if (windowBytes_ < lowSpeedFloor_)
        return true;
    windowStart_ = now;
    windowBytes_ = 0;
    return false;
}

void Transfer::attach(void* cookieShare)
{
    // The share is only ever touched on the engine thread: it has no lock functions.
    if (wantsCookies_) {
        curl_easy_setopt(easy_, CURLOPT_SHARE, cookieShare);
        curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
    }
}

void Transfer::releaseHandle()
{
    if (easy_)
        curl_easy_cleanup(easy_);
    easy_ = nullptr;
}

void Transfer::closeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void Transfer::finished(int curlCode)
{
    closeFile();
    auto code = static_cast<CURLcode>(curlCode);
    if (code == CURLE_OK && redirect_) {
        handleRedirect();
        return;
    }
    curl_off_t uploaded = 0;
    if (curl_easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &uploaded) == CURLE_OK)
        onProgress(uploaded);
    if (isDownload_)
        scheduleProgress();
    if (code == CURLE_OK && !headersDone_)
        code = CURLE_GOT_NOTHING;
    task_->complete(code == CURLE_OK ? nullptr : errorFor(code));
}

// libcurl sends a request that died on a reused connection again by itself, but not always: a
// TLS connection whose server sent close_notify while it sat idle passes libcurl's liveness check,
// so a pool of them is tried one after the other until libcurl's own retries (five) run out; and
// a send error while a body goes out after the head is not retried at all.
std::shared_ptr<Transfer> Transfer::retryOnFreshConnection(int curlCode)
{
    if (retried_ || !lostReusedConnection(curlCode))
        return nullptr;
    auto request = replayableRequest();
    if (!request)
        return nullptr;
    auto fresh = create(task_, request, redirectCount_, nullptr);
    if (!fresh)
        return nullptr; // the body went away meanwhile: the failure stands
    fresh->retried_ = true;
    curl_easy_setopt(fresh->easy_, CURLOPT_FRESH_CONNECT, 1L);
    if (!task_->replaceTransfer(shared_from_this(), fresh))
        return nullptr; // cancelled meanwhile
    return fresh;
}

bool Transfer::lostReusedConnection(int curlCode) const
{
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        break;
    default:
        return false;
    }
    // Our own reasons to stop (a body stream that failed, a verdict on trust) are not the
    // connection's, and a head that began to arrive means the server took the request.
    if (readFailed_ || trustOutcome_ != TrustOutcome::None || headerBytes_ > 0 || headersDone_)
        return false;
    long newConnections = -1;
    long headerSize = -1;
    curl_off_t received = -1;
    curl_easy_getinfo(easy_, CURLINFO_NUM_CONNECTS, &newConnections);
    curl_easy_getinfo(easy_, CURLINFO_HEADER_SIZE, &headerSize);
    curl_easy_getinfo(easy_, CURLINFO_SIZE_DOWNLOAD_T, &received);
    // A connection opened for this request that fails is the server's answer, not a stale one.
    return newConnections == 0 && headerSize == 0 && received == 0;
}

Ref<URLRequest> Transfer::replayableRequest() const
{
    // In-memory and file bodies are read again from their source by the new transfer.
    if (!body_ || bodyData_ || bodyFromFile_)
        return request_;
    auto again = body_->reopened();
    if (!again)
        return nullptr;
    auto request = request_->clone();
    request->setHTTPBodyStream(std::move(again));
    return request;
}

Ref<foundation::Error> Transfer::errorFor(int curlCode) const
{
    const auto& url = request_->URL();
    switch (trustOutcome_) {
    case TrustOutcome::Cancelled:
        return makeURLError(NSURLErrorCancelled, url);
    case TrustOutcome::Rejected:
        return makeURLError(NSURLErrorServerCertificateUntrusted, url);
    case TrustOutcome::TimedOut:
        return makeURLError(NSURLErrorTimedOut, url);
    default:
        break;
    }
    if (bodyTooLarge_)
        return makeURLError(NSURLErrorDataLengthExceedsMaximum, url);
    if (noSpace_)
        return makeURLError(NSURLErrorCannotWriteToFile, url, foundation::fileWriteError(task_->downloadFile(), ENOSPC));
    if (headerTooLarge_ || (curlCode == CURLE_OUT_OF_MEMORY && !headersDone_))
        return makeURLError(NSURLErrorBadServerResponse, url);
    if (writeFailed_)
        return makeURLError(NSURLErrorCannotWriteToFile, url,
                            writeErrno_ ? foundation::fileWriteError(task_->downloadFile(), writeErrno_) : nullptr);
    if (readFailed_)
        return makeURLError(bodyFromFile_ ? NSURLErrorFileDoesNotExist : NSURLErrorRequestBodyStreamExhausted, url);
    long osError = 0;
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
        return makeURLError(NSURLErrorBadServerResponse, url);
    case CURLE_URL_MALFORMAT:
        return makeURLError(NSURLErrorBadURL, url);
    case CURLE_COULDNT_RESOLVE_HOST:
        return makeURLError(NSURLErrorCannotFindHost, url);
    case CURLE_COULDNT_CONNECT:
        curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osError);
        if (osError == ENETUNREACH || osError == ENETDOWN)
            return makeURLError(NSURLErrorNotConnectedToInternet, url);
        return makeURLError(NSURLErrorCannotConnectToHost, url);
    case CURLE_OPERATION_TIMEDOUT:
        return makeURLError(NSURLErrorTimedOut, url);
    case CURLE_PEER_FAILED_VERIFICATION:
        return makeURLError(NSURLErrorServerCertificateUntrusted, url);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_USE_SSL_FAILED:
        return makeURLError(NSURLErrorSecureConnectionFailed, url);
    case CURLE_BAD_CONTENT_ENCODING:
        return makeURLError(NSURLErrorCannotDecodeContentData, url);
    case CURLE_TOO_MANY_REDIRECTS:
        return makeURLError(NSURLErrorHTTPTooManyRedirects, url);
    case CURLE_WRITE_ERROR:
        return makeURLError(NSURLErrorCannotWriteToFile, url);
    case CURLE_ABORTED_BY_CALLBACK:
        return makeURLError(NSURLErrorCancelled, url);
    default:
        return makeURLError(NSURLErrorNetworkConnectionLost, url);
    }
}

void Transfer::handleRedirect()
{
    if (redirectCount_ + 1 > kMaxRedirects) {
        task_->complete(makeURLError(NSURLErrorHTTPTooManyRedirects, request_->URL()));
        return;
    }
    auto location = response_->valueForHTTPHeaderField("Location");
    auto target = location ? foundation::URL::URLWithString(*location, request_->URL()) : nullptr;
    if (!target) {
        task_->complete(makeURLError(NSURLErrorBadServerResponse, request_->URL()));
        return;
    }
    auto next = request_->clone();
    next->setURL(target->absoluteURL());
    const std::string method = request_->HTTPMethod();
    bool toGet = status_ == 303 ? method != "HEAD" : ((status_ == 301 || status_ == 302) && method == "POST");
    if (toGet) {
        next->setHTTPMethod("GET");
        next->setHTTPBody(nullptr);
        next->setHTTPBodyStream(nullptr);
        next->setValue(std::nullopt, "Content-Type");
        next->setValue(std::nullopt, "Content-Length");
    }
    if (auto refusal = redirectRefusal(*next)) {
        task_->complete(refusal);
        return;
    }
    auto oldHost = request_->URL()->host();
    auto newHost = target->host();
    if (!oldHost || !newHost || !equalsIgnoringCase(oldHost->utf8(), newHost->utf8()))
        next->setValue(std::nullopt, "Authorization");

    auto stream = next->HTTPBodyStream();
    if (!toGet && stream) {
        if (auto again = stream->reopened()) {
            next->setHTTPBodyStream(again);
        } else {
            auto delegate = task_->session()->delegate();
            if (!delegate || !delegate->needNewBodyStream) {
                task_->complete(makeURLError(NSURLErrorRequestBodyStreamExhausted, request_->URL()));
                return;
            }
            auto self = shared_from_this();
            task_->enqueue([self, delegate, next] {
                delegate->needNewBodyStream(self->task_->session(), self->task_, [self, next](Ref<InputStream> fresh) {
                    if (!fresh) {
                        self->task_->complete(makeURLError(NSURLErrorRequestBodyStreamExhausted, self->request_->URL()));
                        return;
                    }
                    next->setHTTPBodyStream(std::move(fresh));
                    self->proceedWithRedirect(next);
                });
            });
            return;
        }
    }
    proceedWithRedirect(next);
}

void Transfer::proceedWithRedirect(Ref<URLRequest> next)
{
    auto delegate = task_->session()->delegate();
    int count = redirectCount_ + 1;
    if (!delegate || !delegate->willPerformHTTPRedirection) {
        task_->followRedirect(std::move(next), count);
        return;
    }
    auto self = shared_from_this();
    auto task = task_;
    auto response = response_;
    auto body = foundation::Data::create(std::string_view(redirectBody_));
    task->enqueue([self, task, delegate, response, next, body, count] {
        delegate->willPerformHTTPRedirection(task->session(), task, response, next, [self, task, response, body, count](Ref<URLRequest> chosen) {
            if (chosen) {
                // The delegate's choice is held to the same rules as the server's.
                if (auto refusal = self->redirectRefusal(*chosen)) {
                    task->complete(refusal);
                    return;
                }
                task->followRedirect(std::move(chosen), count);
                return;
            }
            // Refused: the redirect response is the task's answer.
            task->enqueue([task, response, body] {
                task->deliverResponse(response);
                task->deliverData(body);
            });
            task->complete(nullptr);
        });
    });
}

namespace {

// scheme, host and port: what decides whether two URLs are one server.
struct Origin {
    std::string scheme;
    std::string host;
    long long port = -1;
    bool operator==(const Origin&) const = default;
};

Origin originOf(const foundation::Ref<foundation::URL>& url)
{
    Origin origin;
    if (!url)
        return origin;
    origin.scheme = url->scheme() ? asciiLowercase(url->scheme()->utf8()) : std::string();
    origin.host = url->host() ? asciiLowercase(url->host()->utf8()) : std::string();
    origin.port = url->port() ? url->port()->longLongValue() : (origin.scheme == "https" ? 443 : origin.scheme == "http" ? 80 : -1);
    return origin;
}

} // namespace

bool Transfer::carriesBody(const URLRequest& request) const
{
    if (const auto& data = request.HTTPBody(); data && data->length() > 0)
        return true;
    if (request.HTTPBodyStream())
        return true;
    // An upload task's own body goes out with every request that is not turned into a GET.
    const auto& upload = task_->uploadSource();
    const std::string& method = request.HTTPMethod();
    return (upload.file || (upload.data && upload.data->length() > 0)) && method != "GET" && method != "HEAD";
}

Ref<foundation::Error> Transfer::redirectRefusal(const URLRequest& next) const
{
    const Origin from = originOf(request_->URL());
    const Origin to = originOf(next.URL());
    // A request that went out encrypted (with its signature, password or token) never goes on in
    // plain text, and a server cannot hand the reply over to a plain one either.
    if (from.scheme == "https" && to.scheme != "https")
        return makeURLError(NSURLErrorAppTransportSecurityRequiresSecureConnection, request_->URL());
    if (from != to && carriesBody(next))
        return makeURLErrorWithDescription(NSURLErrorBadServerResponse, request_->URL(),
                                           "The server redirected the request with its body to another server; the redirect was not followed.");
    return nullptr;
}

} // namespace net::detail
