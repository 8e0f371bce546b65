#include "Lib/ImageLoading/ILWebDownloader.h"

#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILWebDownloadToken.h"
#include "Lib/ImageLoading/ILWebDownloaderConfig.h"
#include "Lib/ImageLoading/ILWebDownloaderOperation.h"
#include "Lib/ImageLoading/ILWebDownloaderRequestModifier.h"
#include "Platform/Dispatch/OperationQueue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Foundation/Unicode.h"
#include "Platform/Storage/Paths.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/URLCredential.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionDataTask.h"

#include <algorithm>
#include <fstream>
using foundation::Ref;

namespace {

#ifdef CORVANE_VERSION
constexpr const char* kVersion = CORVANE_VERSION;
#else
constexpr const char* kVersion = "0";
#endif

// PRETTY_NAME of /etc/os-release, unquoted.
std::string systemName()
{
    std::ifstream file("/etc/os-release");
    std::string line;
    while (std::getline(file, line)) {
        if (!line.starts_with("PRETTY_NAME="))
            continue;
        std::string value = line.substr(12);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return "GNU/Linux";
}

// What the operations awaiting their task are known by: the URL their request asks for.
std::string sentURLOf(const Ref<net::URLRequest>& request)
{
    return request && request->URL() ? request->URL()->absoluteString() : std::string();
}

} // namespace

struct ILWebDownloader::PendingValidators {
    std::mutex mutex;
    std::string url;
    Ref<net::HTTPURLResponse> response;
};

std::string ILWebDownloader::userAgent(
    std::string_view name, std::string_view version, std::string_view system)
{
    std::string agent = foundation::format(
        "%@/%@ (Linux %@)", std::string(name), std::string(version), std::string(system));
    if (std::any_of(
            agent.begin(), agent.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        std::string transformed = agent;
        if (foundation::unicode::transliterateToASCII(transformed))
            agent = std::move(transformed);
    }
    return agent;
}

std::shared_ptr<ILWebDownloader> ILWebDownloader::sharedDownloader()
{
    static const auto downloader = [] {
        auto made = create();
        made->shared_ = true;
        return made;
    }();
    return downloader;
}

std::shared_ptr<ILWebDownloader> ILWebDownloader::create(const std::shared_ptr<ILWebDownloaderConfig>& config)
{
    auto downloader = std::make_shared<ILWebDownloader>(
        (config ? config : ILWebDownloaderConfig::defaultDownloaderConfig())->copy());
    std::weak_ptr<ILWebDownloader> weak = downloader;
    downloader->configObservation_ = downloader->config_->observeChanges([weak](const std::string& key) {
        if (key != "maxConcurrentDownloads")
            return;
        if (auto strong = weak.lock())
            strong->downloadQueue_->setMaxConcurrentOperationCount(strong->config_->maxConcurrentDownloads());
    });
    downloader->installSession();
    return downloader;
}

ILWebDownloader::ILWebDownloader(std::shared_ptr<ILWebDownloaderConfig> config)
    : config_(std::move(config))
    , downloadQueue_(dispatch::OperationQueue::create("com.tallowind.ILWebDownloader"))
    , headers_ { { "User-Agent", userAgent(foundation::Paths::kApplicationFolder, kVersion, systemName()) },
        { "Accept", "image/*,*/*;q=0.8" } }
{
    downloadQueue_->setMaxConcurrentOperationCount(config_->maxConcurrentDownloads());
}

ILWebDownloader::~ILWebDownloader()
{
    downloadQueue_->cancelAllOperations();
    if (session_)
        session_->invalidateAndCancel();
}

void ILWebDownloader::installSession()
{
    std::weak_ptr<ILWebDownloader> weak = weak_from_this();
    auto delegate = std::make_shared<net::URLSessionDelegate>();
    delegate->didReceiveResponse
        = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionDataTask>& task,
              const Ref<net::URLResponse>& response, net::ResponseHandler handler) {
              auto self = weak.lock();
              auto operation = self ? self->operationForTask(task) : nullptr;
              if (!operation)
                  return handler(net::ResponseDisposition::Allow);
              const auto http = std::dynamic_pointer_cast<net::HTTPURLResponse>(response);
              if (http && (operation->options() & ILWebDownloaderUseNSURLCache) && task->originalRequest()) {
                  std::shared_ptr<PendingValidators> pending;
                  {
                      std::lock_guard lock(self->operationsLock_);
                      if (const auto it = self->pendingValidators_.find(operation.get());
                          it != self->pendingValidators_.end())
                          pending = it->second;
                  }
                  if (pending) {
                      std::lock_guard lock(pending->mutex);
                      pending->url = task->originalRequest()->URL()->absoluteString();
                      pending->response = http;
                  }
              }
              operation->didReceiveResponse(session, task, response, std::move(handler));
          };
    delegate->didReceiveData
        = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionDataTask>& task,
              const Ref<foundation::Data>& data) {
              auto self = weak.lock();
              if (auto operation = self ? self->operationForTask(task) : nullptr)
                  operation->didReceiveData(session, task, data);
          };
    delegate->didCompleteWithError
        = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
              const Ref<foundation::Error>& error) {
              auto self = weak.lock();
              if (!self)
                  return;
              if (auto operation = self->operationForTask(task))
                  operation->didCompleteWithError(session, task, error);
              std::lock_guard lock(self->tasksLock_);
              self->taskOperations_.erase(task->taskIdentifier());
          };
    delegate->willPerformHTTPRedirection
        = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
              const Ref<net::HTTPURLResponse>& response, const Ref<net::URLRequest>& request,
              net::RedirectHandler handler) {
              auto self = weak.lock();
              if (auto operation = self ? self->operationForTask(task) : nullptr)
                  operation->willPerformHTTPRedirection(session, task, response, request, std::move(handler));
              else
                  handler(request);
          };
    delegate->taskDidReceiveChallenge
        = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
              const Ref<net::URLAuthenticationChallenge>& challenge, net::ChallengeHandler handler) {
              auto self = weak.lock();
              if (auto operation = self ? self->operationForTask(task) : nullptr)
                  operation->didReceiveChallenge(session, task, challenge, std::move(handler));
              else
                  handler(net::AuthChallengeDisposition::PerformDefaultHandling, nullptr);
          };
    session_ = net::URLSession::sessionWithConfiguration(config_->sessionConfiguration(), delegate);
}

void ILWebDownloader::registerTask(unsigned long identifier, const std::string& sentURL,
    const std::weak_ptr<ILWebDownloaderOperationProtocol>& operation)
{
    std::lock_guard lock(tasksLock_);
    taskOperations_[identifier] = operation;
    stopAwaitingTask(sentURL, operation);
}

void ILWebDownloader::forgetOperation(
    const std::string& sentURL, const std::weak_ptr<ILWebDownloaderOperationProtocol>& operation)
{
    std::lock_guard lock(tasksLock_);
    stopAwaitingTask(sentURL, operation);
}

void ILWebDownloader::stopAwaitingTask(
    const std::string& sentURL, const std::weak_ptr<ILWebDownloaderOperationProtocol>& operation)
{
    const auto awaiting = operationsAwaitingTask_.find(sentURL);
    if (awaiting == operationsAwaitingTask_.end())
        return;
    // Compared without taking a reference: the last one must not go while the lock is held.
    std::erase_if(awaiting->second, [&](const auto& entry) {
        return entry.expired() || (!entry.owner_before(operation) && !operation.owner_before(entry));
    });
    if (awaiting->second.empty())
        operationsAwaitingTask_.erase(awaiting);
}

std::shared_ptr<ILWebDownloaderOperationProtocol> ILWebDownloader::operationForTask(
    const Ref<net::URLSessionTask>& task)
{
    if (!task)
        return nullptr;
    const unsigned long identifier = task->taskIdentifier();
    {
        std::lock_guard lock(tasksLock_);
        if (const auto it = taskOperations_.find(identifier); it != taskOperations_.end())
            if (auto operation = it->second.lock())
                return operation;
    }
    // An operation that did not report its task: one made for the task's URL. Asked outside the
    // lock, which an operation may take while it holds its own.
    const std::string sentURL = sentURLOf(task->originalRequest());
    std::vector<std::shared_ptr<ILWebDownloaderOperationProtocol>> candidates;
    {
        std::lock_guard lock(tasksLock_);
        if (const auto it = operationsAwaitingTask_.find(sentURL); it != operationsAwaitingTask_.end())
            for (const auto& entry : it->second)
                if (auto operation = entry.lock())
                    candidates.push_back(std::move(operation));
    }
    std::shared_ptr<ILWebDownloaderOperationProtocol> found;
    for (auto& operation : candidates) {
        const auto owned = operation->dataTask();
        if (owned && owned->taskIdentifier() == identifier) {
            found = std::move(operation);
            break;
        }
        if (!owned && !found)
            found = operation;
    }
    if (found)
        registerTask(identifier, sentURL, found);
    return found;
}

void ILWebDownloader::setValue(std::optional<std::string> value, std::string_view field)
{
    if (field.empty())
        return;
    std::lock_guard lock(headersLock_);
    auto it = std::find_if(headers_.begin(), headers_.end(),
        [&](const auto& pair) { return net::equalsIgnoringCase(pair.first, field); });
    if (!value) {
        if (it != headers_.end())
            headers_.erase(it);
    } else if (it != headers_.end()) {
        it->second = std::move(*value);
    } else {
        headers_.emplace_back(std::string(field), std::move(*value));
    }
}

std::optional<std::string> ILWebDownloader::valueForHTTPHeaderField(std::string_view field) const
{
    if (field.empty())
        return std::nullopt;
    std::lock_guard lock(headersLock_);
    return net::headerValue(headers_, field);
}

std::shared_ptr<ILWebDownloadToken> ILWebDownloader::downloadImageWithURL(
    const Ref<foundation::URL>& url, ILImageLoaderCompletedBlock completed)
{
    return downloadImageWithURL(url, 0, nullptr, nullptr, std::move(completed));
}

std::shared_ptr<ILWebDownloadToken> ILWebDownloader::downloadImageWithURL(const Ref<foundation::URL>& url,
    ILWebDownloaderOptions options, ILImageLoaderProgressBlock progress,
    ILImageLoaderCompletedBlock completed)
{
    return downloadImageWithURL(url, options, nullptr, std::move(progress), std::move(completed));
}

std::shared_ptr<ILWebDownloadToken> ILWebDownloader::downloadImageWithURL(const Ref<foundation::URL>& url,
    ILWebDownloaderOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
    ILImageLoaderCompletedBlock completed)
{
    if (!url) {
        if (completed)
            completed(nullptr, nullptr, ILWebMakeError(ILWebErrorInvalidURL, "Image url is nil"), true);
        return nullptr;
    }
    // Requesters of one address share a transfer only when they want the same decode: the
    // operation decodes for its first requester's box.
    const std::string key
        = ILThumbnailedCacheKey(foundation::String::create(url->absoluteString()), context)->utf8();
    std::shared_ptr<ILWebDownloaderOperationProtocol> operation;
    ILWebDownloaderCancelToken entry;
    {
        std::unique_lock lock(operationsLock_);
        const auto it = URLOperations_.find(key);
        auto running = it == URLOperations_.end()
            ? nullptr
            : std::dynamic_pointer_cast<dispatch::Operation>(it->second);
        if (running && !running->isFinished() && !running->isCancelled())
            entry = it->second->addHandlersForProgress(
                progress, keepingValidators(it->second.get(), completed));
        if (entry) {
            operation = it->second;
            if (!running->isExecuting()) {
                running->setQueuePriority((options & ILWebDownloaderHighPriority)
                        ? dispatch::QueuePriority::High
                        : (options & ILWebDownloaderLowPriority) ? dispatch::QueuePriority::Low
                                                                 : dispatch::QueuePriority::Normal);
            }
        } else {
            operation = createDownloaderOperation(url, options, context);
            if (!operation) {
                lock.unlock();
                if (completed)
                    completed(nullptr, nullptr,
                        ILWebMakeError(ILWebErrorInvalidDownloadOperation, "Downloader operation is nil"),
                        true);
                return nullptr;
            }
            auto queued = std::dynamic_pointer_cast<dispatch::Operation>(operation);
            std::weak_ptr<ILWebDownloader> weak = weak_from_this();
            std::weak_ptr<ILWebDownloaderOperationProtocol> weakOperation = operation;
            const ILWebDownloaderOperationProtocol* raw = operation.get();
            pendingValidators_[raw] = std::make_shared<PendingValidators>();
            // Removes this operation's entries only: a newer operation for the URL may sit there.
            queued->setCompletionBlock(
                [weak, key, sent = sentURLOf(operation->request()), weakOperation, raw] {
                    auto self = weak.lock();
                    if (!self)
                        return;
                    self->forgetOperation(sent, weakOperation);
                    std::lock_guard inner(self->operationsLock_);
                    self->pendingValidators_.erase(raw);
                    const auto found = self->URLOperations_.find(key);
                    if (found != self->URLOperations_.end() && found->second == weakOperation.lock())
                        self->URLOperations_.erase(found);
                });
            URLOperations_[key] = operation;
            // The requester's blocks go in before the queue may start it.
            entry = operation->addHandlersForProgress(
                std::move(progress), keepingValidators(raw, std::move(completed)));
            downloadQueue_->addOperation(queued);
        }
    }
    return ILWebDownloadToken::create(operation, std::move(entry));
}

ILImageLoaderCompletedBlock ILWebDownloader::keepingValidators(
    const ILWebDownloaderOperationProtocol* operation, ILImageLoaderCompletedBlock completed)
{
    // A requester without a completion block never makes the operation decode.
    const auto it = pendingValidators_.find(operation);
    if (!completed || it == pendingValidators_.end())
        return completed;
    std::weak_ptr<ILWebDownloader> weak = weak_from_this();
    return [weak, pending = it->second, completed = std::move(completed)](const ILImageRef& image,
               const Ref<foundation::Data>& data, const Ref<foundation::Error>& error, bool finished) {
        if (finished && image && !error) {
            std::string url;
            Ref<net::HTTPURLResponse> response;
            {
                std::lock_guard lock(pending->mutex);
                url = std::move(pending->url);
                response = std::move(pending->response);
                pending->response = nullptr;
            }
            auto self = weak.lock();
            if (self && response)
                self->validators_.record(url, *response);
        }
        completed(image, data, error, finished);
    };
}

std::shared_ptr<ILWebDownloaderOperationProtocol> ILWebDownloader::createDownloaderOperation(
    const Ref<foundation::URL>& url, ILWebDownloaderOptions options, const ILContext& context)
{
    const double timeout = config_->downloadTimeout() == 0 ? 15.0 : config_->downloadTimeout();
    auto request = net::URLRequest::requestWithURL(url,
        (options & ILWebDownloaderUseNSURLCache) ? net::URLRequestCachePolicy::UseProtocolCachePolicy
                                                 : net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData,
        timeout);
    request->setHTTPShouldHandleCookies((options & ILWebDownloaderHandleCookies) != 0);
    request->setHTTPShouldUsePipelining(true);
    {
        std::lock_guard lock(headersLock_);
        request->setAllHTTPHeaderFields(headers_);
    }
    if (options & ILWebDownloaderIgnoreCachedResponse)
        validators_.apply(url->absoluteString(), *request);

    Ref<ILWebDownloaderRequestModifierProtocol> modifier;
    if (context)
        modifier = context->objectForKey(ILWebContextDownloadRequestModifier)
                       .as<ILWebDownloaderRequestModifierProtocol>();
    if (!modifier)
        modifier = requestModifier();
    if (modifier) {
        auto modified = modifier->modifiedRequestWithRequest(request->clone());
        if (!modified)
            return nullptr;
        request = modified->clone();
    }

    std::shared_ptr<ILWebDownloaderOperationProtocol> operation;
    if (const auto factory = config_->operationClass()) {
        operation = factory(request, session_, options, context);
        if (!std::dynamic_pointer_cast<dispatch::Operation>(operation))
            operation = nullptr;
    }
    if (!operation)
        operation = ILWebDownloaderOperation::create(request, session_, options, context);

    if (auto credential = config_->urlCredential())
        operation->setCredential(std::move(credential));
    else if (config_->username() && config_->password())
        operation->setCredential(net::URLCredential::credentialWithUser(
            *config_->username(), *config_->password(), net::URLCredentialPersistence::ForSession));
    operation->setMinimumProgressInterval(std::clamp(config_->minimumProgressInterval(), 0.0, 1.0));
    std::weak_ptr<ILWebDownloader> weak = weak_from_this();
    std::weak_ptr<ILWebDownloaderOperationProtocol> weakOperation = operation;
    const std::string sent = sentURLOf(operation->request());
    {
        std::lock_guard lock(tasksLock_);
        operationsAwaitingTask_[sent].push_back(weakOperation);
    }
    operation->setTaskCreatedHandler([weak, sent, weakOperation](const Ref<net::URLSessionTask>& task) {
        if (auto self = weak.lock())
            self->registerTask(task->taskIdentifier(), sent, weakOperation);
    });

    auto queued = std::dynamic_pointer_cast<dispatch::Operation>(operation);
    if (options & ILWebDownloaderHighPriority)
        queued->setQueuePriority(dispatch::QueuePriority::High);
    else if (options & ILWebDownloaderLowPriority)
        queued->setQueuePriority(dispatch::QueuePriority::Low);
    if (config_->executionOrder() == ILWebDownloaderExecutionOrder::LIFO)
        for (const auto& pending : downloadQueue_->operations())
            pending->addDependency(queued);
    return operation;
}

void ILWebDownloader::cancelAllDownloads()
{
    downloadQueue_->cancelAllOperations();
}

bool ILWebDownloader::isSuspended() const
{
    return downloadQueue_->isSuspended();
}

void ILWebDownloader::setSuspended(bool suspended)
{
    downloadQueue_->setSuspended(suspended);
}

std::size_t ILWebDownloader::currentDownloadCount() const
{
    return downloadQueue_->operationCount();
}

Ref<net::URLSessionConfiguration> ILWebDownloader::sessionConfiguration() const
{
    return session_->configuration();
}

void ILWebDownloader::invalidateSessionAndCancel(bool cancelPendingOperations)
{
    if (shared_)
        return;
    if (cancelPendingOperations)
        session_->invalidateAndCancel();
    else
        session_->finishTasksAndInvalidate();
}

bool ILWebDownloader::canRequestImageForURL(const Ref<foundation::URL>& url)
{
    return url != nullptr;
}

ILWebDownloaderOptions ILWebDownloader::downloaderOptionsFromLoadOptions(
    ILLoadOptions options, const ILContext& context)
{
    ILWebDownloaderOptions result = 0;
    if (options & ILLoadLowPriority)
        result |= ILWebDownloaderLowPriority;
    if (options & ILLoadProgressiveLoad)
        result |= ILWebDownloaderProgressiveLoad;
    if (options & ILLoadRefreshCached)
        result |= ILWebDownloaderUseNSURLCache;
    result |= options
        & (ILLoadContinueInBackground | ILLoadHandleCookies | ILLoadAllowInvalidSSLCertificates
            | ILLoadHighPriority);
    if (options & ILLoadScaleDownLargeImages)
        result |= ILWebDownloaderScaleDownLargeImages;
    if (options & ILLoadAvoidDecodeImage)
        result |= ILWebDownloaderAvoidDecodeImage;
    if (options & ILLoadDecodeFirstFrameOnly)
        result |= ILWebDownloaderDecodeFirstFrameOnly;
    if (options & ILLoadPreloadAllFrames)
        result |= ILWebDownloaderPreloadAllFrames;
    if (options & ILLoadMatchAnimatedImageClass)
        result |= ILWebDownloaderMatchAnimatedImageClass;
    if ((options & ILLoadRefreshCached) && context && context->objectForKey(ILWebContextLoaderCachedImage)) {
        result &= ~static_cast<ILWebDownloaderOptions>(ILWebDownloaderProgressiveLoad);
        result |= ILWebDownloaderIgnoreCachedResponse;
    }
    return result;
}

std::shared_ptr<ILWebOperation> ILWebDownloader::requestImageWithURL(const Ref<foundation::URL>& url,
    ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
    ILImageLoaderCompletedBlock completed)
{
    return downloadImageWithURL(url, downloaderOptionsFromLoadOptions(options, context), context,
        std::move(progress), std::move(completed));
}

bool ILWebDownloader::shouldBlockFailedURLWithURL(
    const Ref<foundation::URL>&, const Ref<foundation::Error>& error)
{
    if (!error)
        return false;
    if (error->domain() == ILWebErrorDomain)
        return error->code() == ILWebErrorInvalidURL || error->code() == ILWebErrorBadImageData;
    if (error->domain() != "NSURLErrorDomain")
        return false;
    switch (error->code()) {
    case net::NSURLErrorNotConnectedToInternet:
    case net::NSURLErrorCancelled:
    case net::NSURLErrorTimedOut:
    case -1018: // international roaming off
    case -1020: // data not allowed
    case net::NSURLErrorCannotFindHost:
    case net::NSURLErrorCannotConnectToHost:
    case net::NSURLErrorNetworkConnectionLost:
        return false;
    default:
        return true;
    }
}
