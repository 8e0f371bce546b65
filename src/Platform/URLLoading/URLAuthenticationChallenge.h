#pragma once

#include "Platform/URLLoading/URLProtectionSpace.h"

namespace net {

// One challenge (NSURLAuthenticationChallenge). The loading system raises server-trust
// challenges, once per new TLS connection, before any byte of the request is sent.
class URLAuthenticationChallenge final : public foundation::Object {
public:
    explicit URLAuthenticationChallenge(foundation::Ref<URLProtectionSpace> space, long previousFailureCount = 0)
        : space_(std::move(space))
        , previousFailureCount_(previousFailureCount)
    {
    }
    const foundation::Ref<URLProtectionSpace>& protectionSpace() const { return space_; }
    long previousFailureCount() const { return previousFailureCount_; }

private:
    foundation::Ref<URLProtectionSpace> space_;
    long previousFailureCount_;
};

} // namespace net
