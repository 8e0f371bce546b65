#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <functional>

namespace foundation {
class Data;
class Error;
class URL;
} // namespace foundation

namespace net {

class HTTPURLResponse;
class InputStream;
class URLAuthenticationChallenge;
class URLCredential;
class URLRequest;
class URLResponse;
class URLSession;
class URLSessionDataTask;
class URLSessionDownloadTask;
class URLSessionTask;

enum class AuthChallengeDisposition : long {
    UseCredential = 0,
    PerformDefaultHandling = 1,
    CancelAuthenticationChallenge = 2,
    RejectProtectionSpace = 3,
};

enum class ResponseDisposition : long { Cancel = 0, Allow = 1, BecomeDownload = 2, BecomeStream = 3 };

using ChallengeHandler = std::function<void(AuthChallengeDisposition, foundation::Ref<URLCredential>)>;
using RedirectHandler = std::function<void(foundation::Ref<URLRequest>)>;
using ResponseHandler = std::function<void(ResponseDisposition)>;
using BodyStreamHandler = std::function<void(foundation::Ref<InputStream>)>;

template <class T>
using Ref = foundation::Ref<T>;

// The session's delegate. Every member is optional: an empty one means "does not implement",
// and the session then takes the platform's default (challenge: default handling; redirect:
// follow; response: allow; new body stream: the task fails). Callbacks run on the session's
// delegate queue, one at a time, in this order for a task: challenge, redirect, response, data /
// body sent / data written, download finished, completed. Handlers may be called later and from
// any thread; each must be called once.
// The session holds its delegate until it is invalidated, then lets it go.
struct URLSessionDelegate {
    std::function<void(const Ref<URLSession>&, const Ref<foundation::Error>&)> didBecomeInvalidWithError;
    std::function<void(const Ref<URLSession>&, const Ref<URLAuthenticationChallenge>&, ChallengeHandler)> didReceiveChallenge;

    std::function<void(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<HTTPURLResponse>&, const Ref<URLRequest>&,
                       RedirectHandler)>
        willPerformHTTPRedirection;
    // Asked only when the session-level challenge callback is not implemented.
    std::function<void(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<URLAuthenticationChallenge>&, ChallengeHandler)>
        taskDidReceiveChallenge;
    std::function<void(const Ref<URLSession>&, const Ref<URLSessionTask>&, BodyStreamHandler)> needNewBodyStream;
    std::function<void(const Ref<URLSession>&, const Ref<URLSessionTask>&, std::int64_t bytesSent, std::int64_t totalBytesSent,
                       std::int64_t totalBytesExpectedToSend)>
        didSendBodyData;
    std::function<void(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<foundation::Error>&)> didCompleteWithError;

    std::function<void(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<URLResponse>&, ResponseHandler)>
        didReceiveResponse;
    std::function<void(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<foundation::Data>&)> didReceiveData;

    // The file is deleted when this returns: move it away inside the callback.
    std::function<void(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&, const Ref<foundation::URL>&)>
        didFinishDownloadingToURL;
    std::function<void(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&, std::int64_t bytesWritten,
                       std::int64_t totalBytesWritten, std::int64_t totalBytesExpectedToWrite)>
        didWriteData;
};

} // namespace net
