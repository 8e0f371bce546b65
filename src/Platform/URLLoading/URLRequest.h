#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace foundation {
class Data;
class Dictionary;
class URL;
} // namespace foundation

namespace net {

class InputStream;

enum class URLRequestCachePolicy : unsigned long {
    UseProtocolCachePolicy = 0,
    ReloadIgnoringLocalCacheData = 1,
    ReturnCacheDataElseLoad = 2,
    ReturnCacheDataDontLoad = 3,
    ReloadIgnoringLocalAndRemoteCacheData = 4,
    ReloadRevalidatingCacheData = 5,
};

enum class URLRequestNetworkServiceType : unsigned long { Default = 0, Background = 3 };

// An HTTP request (NSURLRequest and its mutable kind in one): URL, method, header fields whose
// names compare without regard to case, a body as data or stream, a timeout and the flags the
// loading system honours (cookies) or only stores (cache policy, pipelining, cellular access).
// Not thread-safe while it is being changed; tasks keep their own copies.
class URLRequest final : public foundation::Object {
public:
    static const foundation::Class* classObject(); // NSURLRequest
    const foundation::Class* isa() const override;

    static constexpr double kDefaultTimeout = 60.0;
    static foundation::Ref<URLRequest> requestWithURL(foundation::Ref<foundation::URL> url);
    static foundation::Ref<URLRequest> requestWithURL(foundation::Ref<foundation::URL> url, URLRequestCachePolicy policy,
                                                      double timeoutInterval);

    const foundation::Ref<foundation::URL>& URL() const { return url_; }
    void setURL(foundation::Ref<foundation::URL> url) { url_ = std::move(url); }
    const std::string& HTTPMethod() const { return method_; }
    void setHTTPMethod(std::string method) { method_ = method.empty() ? "GET" : std::move(method); }

    // nullopt when the field is absent; the stored spelling of the name is kept.
    std::optional<std::string> valueForHTTPHeaderField(std::string_view name) const;
    // Replaces the field (any spelling); nullopt removes it.
    void setValue(std::optional<std::string> value, std::string_view field);
    // Appends to an existing field with ", ".
    void addValue(const std::string& value, std::string_view field);
    const std::vector<std::pair<std::string, std::string>>& headerFields() const { return headers_; }
    foundation::Ref<foundation::Dictionary> allHTTPHeaderFields() const;
    void setAllHTTPHeaderFields(const std::vector<std::pair<std::string, std::string>>& fields);

    const foundation::Ref<foundation::Data>& HTTPBody() const { return body_; }
    void setHTTPBody(foundation::Ref<foundation::Data> body);
    const foundation::Ref<InputStream>& HTTPBodyStream() const { return bodyStream_; }
    void setHTTPBodyStream(foundation::Ref<InputStream> stream);

    double timeoutInterval() const { return timeout_; }
    void setTimeoutInterval(double seconds);
    bool hasExplicitTimeout() const { return explicitTimeout_; }
    URLRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(URLRequestCachePolicy policy) { cachePolicy_ = policy; }
    bool HTTPShouldHandleCookies() const { return handleCookies_; }
    void setHTTPShouldHandleCookies(bool value) { handleCookies_ = value; }
    bool HTTPShouldUsePipelining() const { return pipelining_; }
    void setHTTPShouldUsePipelining(bool value) { pipelining_ = value; }
    bool allowsCellularAccess() const { return cellular_; }
    void setAllowsCellularAccess(bool value) { cellular_ = value; }
    URLRequestNetworkServiceType networkServiceType() const { return serviceType_; }
    void setNetworkServiceType(URLRequestNetworkServiceType type) { serviceType_ = type; }

    foundation::Ref<URLRequest> clone() const { return std::make_shared<URLRequest>(*this); }
    foundation::Ref<Object> copy() const override { return clone(); }
    foundation::Ref<Object> mutableCopy() const override { return clone(); }
    std::string description() const override; // "<NSMutableURLRequest: 0x...> { URL: ... }"
    bool isEqual(const foundation::Object& other) const override;
    std::size_t hash() const override;

    URLRequest() = default;
    URLRequest(const URLRequest&) = default;

private:
    foundation::Ref<foundation::URL> url_;
    std::string method_ = "GET";
    std::vector<std::pair<std::string, std::string>> headers_;
    foundation::Ref<foundation::Data> body_;
    foundation::Ref<InputStream> bodyStream_;
    double timeout_ = kDefaultTimeout;
    bool explicitTimeout_ = false;
    URLRequestCachePolicy cachePolicy_ = URLRequestCachePolicy::UseProtocolCachePolicy;
    bool handleCookies_ = true;
    bool pipelining_ = false;
    bool cellular_ = true;
    URLRequestNetworkServiceType serviceType_ = URLRequestNetworkServiceType::Default;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);
// Only A-Z change: header names, schemes and media types are ASCII, and other bytes stay as sent.
std::string asciiLowercase(std::string text);
// The value of the first field called `name` in any case, as header lookups answer.
std::optional<std::string> headerValue(const std::vector<std::pair<std::string, std::string>>& fields,
                                       std::string_view name);

} // namespace net
