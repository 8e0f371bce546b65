#pragma once

#include "Lib/ImageLoading/ILImageLoader.h"
#include "Lib/ImageLoading/ILWebDownloaderOperationProtocol.h"
#include "Lib/ImageLoading/ILWebDownloaderValidators.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Atomic.h"

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dispatch {
class Operation;
class OperationQueue;
} // namespace dispatch
namespace net {
class URLSession;
class URLSessionConfiguration;
class URLSessionTask;
} // namespace net
class ILWebDownloadToken;
class ILWebDownloaderConfig;
class ILWebDownloaderRequestModifierProtocol;

// Fetches images by URL over one URL session: one operation per URL whatever the number of
// requesters, at most maxConcurrentDownloads at once on the queue "com.tallowind.ILWebDownloader"
// (first in, first out unless the configuration asks for the newest first), progress to every
// requester, optional partial images, and the decoded image or an error handed to every
// requester on the main queue.
//
// The session's task callbacks are routed to the operation by task identifier (never by a search
// of the queue): an operation is known by its request's URL from the moment it is made, and by its
// task's identifier once it has a task. Refreshes revalidate with the validators of earlier
// cacheable responses whose image was decoded (ILWebDownloaderValidators).
//
// Requests carry "User-Agent" ("<name>/<version> (Linux <system>)") and "Accept"
// ("image/*,*/*;q=0.8"). Every member may be called from any thread.
class ILWebDownloader final : public ILImageLoader, public std::enable_shared_from_this<ILWebDownloader> {
public:
    static std::shared_ptr<ILWebDownloader> sharedDownloader();
    // With a nil configuration the default one; the downloader keeps a copy.
    static std::shared_ptr<ILWebDownloader> create(
        const std::shared_ptr<ILWebDownloaderConfig>& config = nullptr);
    ~ILWebDownloader() override;

    // The downloader's own copy: changing maxConcurrentDownloads on it changes the queue's limit.
    const std::shared_ptr<ILWebDownloaderConfig>& config() const { return config_; }
    foundation::Ref<ILWebDownloaderRequestModifierProtocol> requestModifier() const
    {
        return requestModifier_.get();
    }
    void setRequestModifier(foundation::Ref<ILWebDownloaderRequestModifierProtocol> modifier)
    {
        requestModifier_.set(std::move(modifier));
    }

    // An empty field is ignored; nullopt removes the header.
    void setValue(std::optional<std::string> value, std::string_view field);
    std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const;

    std::shared_ptr<ILWebDownloadToken> downloadImageWithURL(
        const foundation::Ref<foundation::URL>& url, ILImageLoaderCompletedBlock completed);
    std::shared_ptr<ILWebDownloadToken> downloadImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILWebDownloaderOptions options, ILImageLoaderProgressBlock progress,
        ILImageLoaderCompletedBlock completed);
    // nil for a nil URL (error 1000 at once, on the calling thread) or when no operation could be
    // made (error 2000 "Downloader operation is nil").
    std::shared_ptr<ILWebDownloadToken> downloadImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILWebDownloaderOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
        ILImageLoaderCompletedBlock completed);

    void cancelAllDownloads();
    bool isSuspended() const;
    void setSuspended(bool suspended);
    std::size_t currentDownloadCount() const;
    foundation::Ref<net::URLSessionConfiguration> sessionConfiguration() const;
    // Not on the shared downloader. true: cancel running tasks; false: let them finish.
    void invalidateSessionAndCancel(bool cancelPendingOperations);

    bool canRequestImageForURL(const foundation::Ref<foundation::URL>& url) override;
    std::shared_ptr<ILWebOperation> requestImageWithURL(const foundation::Ref<foundation::URL>& url,
        ILLoadOptions options, const ILContext& context, ILImageLoaderProgressBlock progress,
        ILImageLoaderCompletedBlock completed) override;
    bool shouldBlockFailedURLWithURL(const foundation::Ref<foundation::URL>& url,
        const foundation::Ref<foundation::Error>& error) override;

    // The download options of a manager's load options (a refresh with a cached image revalidates).
    static ILWebDownloaderOptions downloaderOptionsFromLoadOptions(
        ILLoadOptions options, const ILContext& context);
    // "<name>/<version> (Linux <system>)", transliterated to ASCII when it is not.
    static std::string userAgent(std::string_view name, std::string_view version, std::string_view system);

    const std::shared_ptr<dispatch::OperationQueue>& downloadQueue() const { return downloadQueue_; }
    ILWebDownloaderValidators& validators() { return validators_; }

    // Use create().
    explicit ILWebDownloader(std::shared_ptr<ILWebDownloaderConfig> config);

private:
    std::shared_ptr<ILWebDownloaderOperationProtocol> createDownloaderOperation(
        const foundation::Ref<foundation::URL>& url, ILWebDownloaderOptions options,
        const ILContext& context);
    std::shared_ptr<ILWebDownloaderOperationProtocol> operationForTask(
        const foundation::Ref<net::URLSessionTask>& task);
    // `sentURL`: the URL the operation's request asks for.
    void registerTask(unsigned long identifier, const std::string& sentURL,
        const std::weak_ptr<ILWebDownloaderOperationProtocol>& operation);
    // The operation is done: it awaits no task any more.
    void forgetOperation(
        const std::string& sentURL, const std::weak_ptr<ILWebDownloaderOperationProtocol>& operation);
    // With tasksLock_ held; also drops the entries of operations gone.
    void stopAwaitingTask(
        const std::string& sentURL, const std::weak_ptr<ILWebDownloaderOperationProtocol>& operation);
    void installSession();
    // With operationsLock_ held: a requester's completion block that first keeps the pending
    // validators when the image arrived decoded.
    ILImageLoaderCompletedBlock keepingValidators(
        const ILWebDownloaderOperationProtocol* operation, ILImageLoaderCompletedBlock completed);

    const std::shared_ptr<ILWebDownloaderConfig> config_;
    const std::shared_ptr<dispatch::OperationQueue> downloadQueue_;
    dispatch::Subscription configObservation_;
    foundation::Atomic<foundation::Ref<ILWebDownloaderRequestModifierProtocol>> requestModifier_;
    foundation::Ref<net::URLSession> session_;
    bool shared_ = false;

    mutable std::mutex headersLock_;
    std::vector<std::pair<std::string, std::string>> headers_;

    std::mutex operationsLock_;
    std::unordered_map<std::string, std::shared_ptr<ILWebDownloaderOperationProtocol>> URLOperations_;
    // The validators a cacheable operation's response brought, held until its image is decoded:
    // a body that fails, is cut or is cancelled must leave the kept ones (those of the cached
    // copy) in place. By operation, for as long as it is queued; its requesters hold it too.
    struct PendingValidators;
    std::unordered_map<const ILWebDownloaderOperationProtocol*, std::shared_ptr<PendingValidators>>
        pendingValidators_;

    // Operations by their task's identifier; before that is known, by their request's URL in the
    // order they were made. An operation that does not report its task (setTaskCreatedHandler)
    // moves over at its task's first callback: to the first one whose dataTask() is that task, else
    // the first that offers no dataTask().
    std::mutex tasksLock_;
    std::unordered_map<unsigned long, std::weak_ptr<ILWebDownloaderOperationProtocol>> taskOperations_;
    std::unordered_map<std::string, std::deque<std::weak_ptr<ILWebDownloaderOperationProtocol>>>
        operationsAwaitingTask_;

    ILWebDownloaderValidators validators_;
};
