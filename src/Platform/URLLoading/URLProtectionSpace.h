#pragma once

#include "Platform/Foundation/Object.h"

#include <string>
#include <string_view>

namespace security {
class Trust;
}

namespace net {

inline constexpr std::string_view NSURLAuthenticationMethodServerTrust = "NSURLAuthenticationMethodServerTrust";

// Where a challenge comes from (NSURLProtectionSpace): host, port, protocol, method, and for a
// TLS server the trust to evaluate. Immutable.
class URLProtectionSpace final : public foundation::Object {
public:
    URLProtectionSpace(std::string host, long port, std::string protocol, std::string authenticationMethod,
                       foundation::Ref<security::Trust> serverTrust)
        : host_(std::move(host))
        , port_(port)
        , protocol_(std::move(protocol))
        , method_(std::move(authenticationMethod))
        , serverTrust_(std::move(serverTrust))
    {
    }

    const std::string& host() const { return host_; }
    long port() const { return port_; }
    const std::string& protocol() const { return protocol_; }
    const std::string& authenticationMethod() const { return method_; }
    const foundation::Ref<security::Trust>& serverTrust() const { return serverTrust_; }

private:
    std::string host_;
    long port_;
    std::string protocol_;
    std::string method_;
    foundation::Ref<security::Trust> serverTrust_;
};

} // namespace net
