#pragma once

#include "Platform/Foundation/Object.h"

#include <string>

namespace foundation {
class Error;
class URL;
} // namespace foundation

namespace net {

// Codes of NSURLErrorDomain that the loading system reports.
enum URLErrorCode : long long {
    NSURLErrorUnknown = -1,
    NSURLErrorCancelled = -999,
    NSURLErrorBadURL = -1000,
    NSURLErrorTimedOut = -1001,
    NSURLErrorUnsupportedURL = -1002,
    NSURLErrorCannotFindHost = -1003,
    NSURLErrorCannotConnectToHost = -1004,
    NSURLErrorNetworkConnectionLost = -1005,
    NSURLErrorHTTPTooManyRedirects = -1007,
    NSURLErrorNotConnectedToInternet = -1009,
    NSURLErrorBadServerResponse = -1011,
    NSURLErrorCannotDecodeContentData = -1016,
    NSURLErrorRequestBodyStreamExhausted = -1021,
    NSURLErrorAppTransportSecurityRequiresSecureConnection = -1022,
    NSURLErrorFileDoesNotExist = -1100,
    NSURLErrorDataLengthExceedsMaximum = -1103,
    NSURLErrorSecureConnectionFailed = -1200,
    NSURLErrorServerCertificateUntrusted = -1202,
    NSURLErrorCannotCreateFile = -3000,
    NSURLErrorCannotWriteToFile = -3003,
};

// The platform's English description of `code`; `host` fills the untrusted-certificate text.
std::string urlErrorDescription(long long code, const std::string& host = {});

// An NSURLErrorDomain error with its description, the failing URL (NSErrorFailingURLKey and
// NSErrorFailingURLStringKey) and, when given, the underlying error.
foundation::Ref<foundation::Error> makeURLError(long long code, const foundation::Ref<foundation::URL>& url,
                                                foundation::Ref<foundation::Error> underlying = nullptr);
// The same with a description of its own, where the code's general text would not say what happened.
foundation::Ref<foundation::Error> makeURLErrorWithDescription(long long code, const foundation::Ref<foundation::URL>& url,
                                                               std::string description);

} // namespace net
