#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"
#include "Platform/URLLoading/URLSessionDelegate.h"

#include <functional>
#include <memory>

namespace net {
class URLCredential;
class URLRequest;
class URLResponse;
class URLSession;
class URLSessionDataTask;
class URLSessionTask;
} // namespace net

// Option bits of one download (the manager's load options, translated by the downloader).
using ILWebDownloaderOptions = unsigned long;
enum : ILWebDownloaderOptions {
    ILWebDownloaderLowPriority = 1,
    ILWebDownloaderProgressiveLoad = 2,
    ILWebDownloaderUseNSURLCache = 4, // keep the response's validators for a later refresh
    ILWebDownloaderIgnoreCachedResponse = 8, // revalidate with the kept validators; 304 ends with 1002
    ILWebDownloaderContinueInBackground = 16,
    ILWebDownloaderHandleCookies = 32,
    ILWebDownloaderAllowInvalidSSLCertificates = 64,
    ILWebDownloaderHighPriority = 128,
    ILWebDownloaderScaleDownLargeImages = 256,
    ILWebDownloaderAvoidDecodeImage = 512,
    ILWebDownloaderDecodeFirstFrameOnly = 1024,
    ILWebDownloaderPreloadAllFrames = 2048,
    ILWebDownloaderMatchAnimatedImageClass = 4096,
};

// The blocks of one requester of a download, and the handle that cancels that requester alone.
struct ILWebDownloaderCallbacks {
    ILImageLoaderProgressBlock progress;
    ILImageLoaderCompletedBlock completed;
};
using ILWebDownloaderCancelToken = std::shared_ptr<ILWebDownloaderCallbacks>;

// What the downloader asks of the operation that runs one URL's download. An implementation is
// also a dispatch::Operation (the downloader queues it) and the delegate of its data task: the
// downloader forwards each task callback to the operation that owns the task. The task callbacks'
// defaults are what a session does for a delegate without them.
class ILWebDownloaderOperationProtocol {
public:
    virtual ~ILWebDownloaderOperationProtocol() = default;

    // Adds a requester; the entry is what cancel(entry) takes. nil when the operation takes no
    // more requesters (its answer is already on its way): the downloader then makes a new one.
    virtual ILWebDownloaderCancelToken addHandlersForProgress(
        ILImageLoaderProgressBlock progress, ILImageLoaderCompletedBlock completed)
        = 0;
    // Removes one requester; true when it was the last and the whole download was cancelled.
    virtual bool cancel(const ILWebDownloaderCancelToken& token) = 0;
    virtual foundation::Ref<net::URLRequest> request() const = 0;
    virtual foundation::Ref<net::URLResponse> response() const = 0;
    virtual ILWebDownloaderOptions options() const = 0;

    virtual foundation::Ref<net::URLSessionTask> dataTask() const { return nullptr; }
    virtual foundation::Ref<net::URLCredential> credential() const { return nullptr; }
    virtual void setCredential(foundation::Ref<net::URLCredential>) { }
    virtual double minimumProgressInterval() const { return 0; }
    virtual void setMinimumProgressInterval(double) { }
    // The downloader learns each task the operation makes through this handler, so that it routes
    // the task's callbacks by identifier. An operation that never calls it is found by its
    // request's URL at its task's first callback (by dataTask() too, when two send the same URL).
    virtual void setTaskCreatedHandler(std::function<void(const foundation::Ref<net::URLSessionTask>&)>) { }
    // The object the operation's notifications carry (nil: it posts none).
    virtual foundation::Id notificationObject() const { return {}; }

    virtual void didReceiveResponse(const foundation::Ref<net::URLSession>&,
        const foundation::Ref<net::URLSessionDataTask>&, const foundation::Ref<net::URLResponse>&,
        net::ResponseHandler handler)
    {
        handler(net::ResponseDisposition::Allow);
    }
    virtual void didReceiveData(const foundation::Ref<net::URLSession>&,
        const foundation::Ref<net::URLSessionDataTask>&, const foundation::Ref<foundation::Data>&)
    {
    }
    virtual void didCompleteWithError(const foundation::Ref<net::URLSession>&,
        const foundation::Ref<net::URLSessionTask>&, const foundation::Ref<foundation::Error>&)
    {
    }
    virtual void willPerformHTTPRedirection(const foundation::Ref<net::URLSession>&,
        const foundation::Ref<net::URLSessionTask>&, const foundation::Ref<net::HTTPURLResponse>&,
        const foundation::Ref<net::URLRequest>& newRequest, net::RedirectHandler handler)
    {
        handler(newRequest);
    }
    virtual void didReceiveChallenge(const foundation::Ref<net::URLSession>&,
        const foundation::Ref<net::URLSessionTask>&, const foundation::Ref<net::URLAuthenticationChallenge>&,
        net::ChallengeHandler handler)
    {
        handler(net::AuthChallengeDisposition::PerformDefaultHandling, nullptr);
    }
};
