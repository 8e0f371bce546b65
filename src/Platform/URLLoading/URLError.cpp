#include "Platform/URLLoading/URLError.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

namespace net {

std::string urlErrorDescription(long long code, const std::string& host)
{
    switch (code) {
    case NSURLErrorCancelled:
        return "cancelled";
    case NSURLErrorBadURL:
        return "bad URL";
    case NSURLErrorTimedOut:
        return "The request timed out.";
    case NSURLErrorUnsupportedURL:
        return "unsupported URL";
    case NSURLErrorCannotFindHost:
        return "A server with the specified hostname could not be found.";
    case NSURLErrorCannotConnectToHost:
        return "Could not connect to the server.";
    case NSURLErrorNetworkConnectionLost:
        return "The network connection was lost.";
    case NSURLErrorHTTPTooManyRedirects:
        return "too many HTTP redirects";
    case NSURLErrorNotConnectedToInternet:
        return "The Internet connection appears to be offline.";
    case NSURLErrorBadServerResponse:
        return "bad server response";
    case NSURLErrorCannotDecodeContentData:
        return "cannot decode raw data";
    case NSURLErrorRequestBodyStreamExhausted:
        return "request body stream exhausted";
    case NSURLErrorAppTransportSecurityRequiresSecureConnection:
        return "The server redirected a secure request to an insecure address; the redirect was not followed.";
    case NSURLErrorFileDoesNotExist:
        return "The requested URL was not found on this server.";
    case NSURLErrorDataLengthExceedsMaximum:
        return "resource exceeds maximum size";
    case NSURLErrorSecureConnectionFailed:
        return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case NSURLErrorServerCertificateUntrusted:
        return "The certificate for this server is invalid. You might be connecting to a server that is pretending to be “" +
            host + "” which could put your confidential information at risk.";
    case NSURLErrorCannotCreateFile:
        return "cannot create file";
    case NSURLErrorCannotWriteToFile:
        return "cannot write file";
    default:
        return "unknown error";
    }
}

namespace {

foundation::Ref<foundation::Error> urlError(long long code, const foundation::Ref<foundation::URL>& url,
                                            const foundation::Ref<foundation::Error>& underlying, const std::string* description)
{
    auto info = foundation::MutableDictionary::create();
    std::string host;
    if (url) {
        if (auto h = url->host())
            host = h->utf8();
        info->setObject(url, foundation::String::create(foundation::NSURLErrorFailingURLErrorKey));
        info->setObject(foundation::String::create(url->absoluteString()),
                        foundation::String::create(foundation::NSURLErrorFailingURLStringErrorKey));
    }
    info->setObject(foundation::String::create(description ? *description : urlErrorDescription(code, host)),
                    foundation::String::create(foundation::NSLocalizedDescriptionKey));
    if (underlying)
        info->setObject(underlying, foundation::String::create(foundation::NSUnderlyingErrorKey));
    return foundation::Error::errorWithDomain(foundation::NSURLErrorDomain, code, info);
}

} // namespace

foundation::Ref<foundation::Error> makeURLError(long long code, const foundation::Ref<foundation::URL>& url,
                                                foundation::Ref<foundation::Error> underlying)
{
    return urlError(code, url, underlying, nullptr);
}

foundation::Ref<foundation::Error> makeURLErrorWithDescription(long long code, const foundation::Ref<foundation::URL>& url,
                                                               std::string description)
{
    return urlError(code, url, nullptr, &description);
}

} // namespace net
