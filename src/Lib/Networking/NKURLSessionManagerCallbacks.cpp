// The session callbacks of NKURLSessionManager, all on its operation queue.
#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKSecurityPolicy.h"
#include "Lib/Networking/NKURLSessionManager.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"

#include <charconv>

using foundation::Id;
using foundation::Ref;

namespace {

std::int64_t contentLengthOf(const net::URLRequest& request, std::int64_t fallback)
{
    const auto field = request.valueForHTTPHeaderField("Content-Length");
    if (!field)
        return fallback;
    std::int64_t value = 0;
    const auto result = std::from_chars(field->data(), field->data() + field->size(), value);
    return result.ec == std::errc() ? value : 0;
}

} // namespace

std::shared_ptr<net::URLSessionDelegate> NKURLSessionManager::makeSessionDelegate(bool asksForResponseDisposition)
{
    // The callbacks hold the manager weakly: the session must not keep an idle manager alive.
    std::weak_ptr<NKURLSessionManager> weak = std::static_pointer_cast<NKURLSessionManager>(self());
    auto delegate = std::make_shared<net::URLSessionDelegate>();

    delegate->didBecomeInvalidWithError = [weak](const Ref<net::URLSession>& session, const Ref<foundation::Error>& error) {
        if (auto strong = weak.lock())
            strong->didBecomeInvalid(session, error);
        else
            dispatch::NotificationCenter::defaultCenter().post(std::string(NKURLSessionDidInvalidateNotification), Id(session));
    };
    delegate->didReceiveChallenge = [weak](const Ref<net::URLSession>& session, const Ref<net::URLAuthenticationChallenge>& challenge,
                                           net::ChallengeHandler handler) {
        if (auto strong = weak.lock())
            strong->didReceiveChallenge(session, nullptr, challenge, handler);
        else if (handler)
            handler(net::AuthChallengeDisposition::CancelAuthenticationChallenge, nullptr);
    };
    delegate->taskDidReceiveChallenge = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
                                               const Ref<net::URLAuthenticationChallenge>& challenge, net::ChallengeHandler handler) {
        if (auto strong = weak.lock())
            strong->didReceiveChallenge(session, task, challenge, handler);
        else if (handler)
            handler(net::AuthChallengeDisposition::CancelAuthenticationChallenge, nullptr);
    };
    delegate->willPerformHTTPRedirection = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
                                                  const Ref<net::HTTPURLResponse>& response, const Ref<net::URLRequest>& request,
                                                  net::RedirectHandler handler) {
        Ref<net::URLRequest> chosen = request;
        if (auto strong = weak.lock())
            if (const auto& block = strong->blocks()->taskWillPerformHTTPRedirection)
                chosen = block(session, task, response, request);
        if (handler)
            handler(chosen);
    };
    delegate->needNewBodyStream = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
                                         net::BodyStreamHandler handler) {
        Ref<net::InputStream> stream;
        auto strong = weak.lock();
        if (strong && strong->blocks()->taskNeedNewBodyStream)
            stream = strong->blocks()->taskNeedNewBodyStream(session, task);
        else if (task->originalRequest() && task->originalRequest()->HTTPBodyStream())
            stream = task->originalRequest()->HTTPBodyStream()->reopened();
        if (handler)
            handler(stream);
    };
    delegate->didSendBodyData = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task, std::int64_t bytesSent,
                                       std::int64_t totalBytesSent, std::int64_t totalBytesExpected) {
        auto strong = weak.lock();
        if (!strong)
            return;
        std::int64_t expected = totalBytesExpected;
        if (expected == -1 && task->originalRequest())
            expected = contentLengthOf(*task->originalRequest(), -1);
        if (auto taskDelegate = strong->delegateForTask(task))
            taskDelegate->didSendBodyData(task);
        if (const auto& block = strong->blocks()->taskDidSendBodyData)
            block(session, task, bytesSent, totalBytesSent, expected);
    };
    delegate->didCompleteWithError = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
                                            const Ref<foundation::Error>& error) {
        if (auto strong = weak.lock())
            strong->didCompleteWithError(session, task, error);
    };
    if (asksForResponseDisposition) {
        delegate->didReceiveResponse = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionDataTask>& task,
                                              const Ref<net::URLResponse>& response, net::ResponseHandler handler) {
            auto disposition = net::ResponseDisposition::Allow;
            if (auto strong = weak.lock())
                if (const auto& block = strong->blocks()->dataTaskDidReceiveResponse)
                    disposition = block(session, task, response);
            if (handler)
                handler(disposition);
        };
    }
    delegate->didReceiveData = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionDataTask>& task,
                                      const Ref<foundation::Data>& data) {
        auto strong = weak.lock();
        if (!strong)
            return;
        if (auto taskDelegate = strong->delegateForTask(task))
            taskDelegate->didReceiveData(task, data);
        if (const auto& block = strong->blocks()->dataTaskDidReceiveData)
            block(session, task, data);
    };
    delegate->didFinishDownloadingToURL = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionDownloadTask>& task,
                                                 const Ref<foundation::URL>& location) {
        if (auto strong = weak.lock())
            strong->didFinishDownloading(session, task, location);
    };
    delegate->didWriteData = [weak](const Ref<net::URLSession>& session, const Ref<net::URLSessionDownloadTask>& task, std::int64_t written,
                                    std::int64_t totalWritten, std::int64_t totalExpected) {
        auto strong = weak.lock();
        if (!strong)
            return;
        if (auto taskDelegate = strong->delegateForTask(task))
            taskDelegate->didWriteData(totalWritten, totalExpected);
        if (const auto& block = strong->blocks()->downloadTaskDidWriteData)
            block(session, task, written, totalWritten, totalExpected);
    };
    return delegate;
}

void NKURLSessionManager::didBecomeInvalid(const Ref<net::URLSession>& session, const Ref<foundation::Error>& error)
{
    if (session != this->session())
        return; // a session replaced by setDataTaskDidReceiveResponseBlock, not the manager's own
    if (const auto& block = blocks()->sessionDidBecomeInvalid)
        block(session, error);
    dispatch::NotificationCenter::defaultCenter().post(std::string(NKURLSessionDidInvalidateNotification), Id(session));
}

void NKURLSessionManager::didReceiveChallenge(const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
                                              const Ref<net::URLAuthenticationChallenge>& challenge, const net::ChallengeHandler& handler)
{
    auto disposition = net::AuthChallengeDisposition::PerformDefaultHandling;
    Ref<net::URLCredential> credential;
    const auto current = blocks();
    if (!task && current->sessionDidReceiveAuthenticationChallenge) {
        disposition = current->sessionDidReceiveAuthenticationChallenge(session, challenge, &credential);
    } else if (task && current->taskDidReceiveAuthenticationChallenge) {
        disposition = current->taskDidReceiveAuthenticationChallenge(session, task, challenge, &credential);
    } else if (challenge->protectionSpace()->authenticationMethod() == net::NSURLAuthenticationMethodServerTrust) {
        const auto& space = challenge->protectionSpace();
        auto policy = securityPolicy();
        if (policy && policy->evaluateServerTrust(space->serverTrust(), space->host())) {
            credential = net::URLCredential::credentialForTrust(space->serverTrust());
            disposition = (credential || task) ? net::AuthChallengeDisposition::UseCredential
                                               : net::AuthChallengeDisposition::PerformDefaultHandling;
        } else {
            disposition = net::AuthChallengeDisposition::CancelAuthenticationChallenge;
        }
    }
    if (handler)
        handler(disposition, credential);
}

void NKURLSessionManager::didCompleteWithError(const Ref<net::URLSession>& session, const Ref<net::URLSessionTask>& task,
                                               const Ref<foundation::Error>& error)
{
    if (auto taskDelegate = delegateForTask(task)) {
        taskDelegate->didCompleteWithError(session, task, error);
        removeDelegateForTask(task);
    }
    if (const auto& block = blocks()->taskDidComplete)
        block(session, task, error);
}

void NKURLSessionManager::didFinishDownloading(const Ref<net::URLSession>& session, const Ref<net::URLSessionDownloadTask>& task,
                                               const Ref<foundation::URL>& location)
{
    auto taskDelegate = delegateForTask(task);
    if (const auto& block = blocks()->downloadTaskDidFinishDownloading) {
        if (auto destination = block(session, task, location)) {
            if (taskDelegate)
                taskDelegate->setDownloadFileURL(destination);
            Ref<foundation::Error> moveError;
            if (!NKMoveDownloadedFile(location, destination, &moveError)) {
                if (taskDelegate)
                    taskDelegate->setMoveError(moveError);
                NKPostMoveFailure(task, moveError);
            }
            return;
        }
    }
    if (taskDelegate)
        taskDelegate->didFinishDownloadingToURL(session, task, location);
}
