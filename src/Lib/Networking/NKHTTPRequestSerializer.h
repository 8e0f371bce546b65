#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Storage/Coding.h"
#include "Platform/URLLoading/URLRequest.h"

#include <functional>
#include <optional>
#include <set>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace foundation {
class Data;
class Error;
class Set;
class URL;
} // namespace foundation

class NKMultipartFormData;

// The platform's string-encoding code for UTF-8, the only encoding bodies are written in here.
inline constexpr unsigned long NKUTF8StringEncoding = 4;

// What the session manager asks of a request serializer.
class NKURLRequestSerialization {
public:
    virtual ~NKURLRequestSerialization() = default;
    // A serialized copy of `request`, or nil with `error` set.
    virtual foundation::Ref<net::URLRequest> requestBySerializingRequest(const foundation::Ref<net::URLRequest>& request,
                                                                         const foundation::Id& parameters,
                                                                         foundation::Ref<foundation::Error>* error) const
        = 0;
};

enum class NKHTTPRequestQueryStringSerializationStyle : unsigned long { Default = 0 };

// Builds requests: default header fields ("Accept-Language", "User-Agent", optional
// "Authorization"), the request properties that were set on it, and the parameters as a query
// string (GET, HEAD, DELETE) or a form-encoded body (every other method).
// Thread-safety: the default header fields may be changed and read from any thread; the other
// properties are meant to be configured before requests are built.
class NKHTTPRequestSerializer : public foundation::Object, public NKURLRequestSerialization, public foundation::Coding {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    using QueryStringSerializationBlock = std::function<std::optional<std::string>(
        const foundation::Ref<net::URLRequest>& request, const foundation::Id& parameters, foundation::Ref<foundation::Error>* error)>;
    using MultipartBodyBlock = std::function<void(NKMultipartFormData& formData)>;
    using WriteCompletionHandler = std::function<void(const foundation::Ref<foundation::Error>& error)>;

    static foundation::Ref<NKHTTPRequestSerializer> serializer();
    NKHTTPRequestSerializer();

    unsigned long stringEncoding() const { return stringEncoding_; }
    void setStringEncoding(unsigned long encoding) { stringEncoding_ = encoding; }

    // Request properties: copied onto every request once they have been set, even to the default.
    bool allowsCellularAccess() const { return allowsCellularAccess_; }
    void setAllowsCellularAccess(bool value);
    net::URLRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(net::URLRequestCachePolicy value);
    bool HTTPShouldHandleCookies() const { return HTTPShouldHandleCookies_; }
    void setHTTPShouldHandleCookies(bool value);
    bool HTTPShouldUsePipelining() const { return HTTPShouldUsePipelining_; }
    void setHTTPShouldUsePipelining(bool value);
    net::URLRequestNetworkServiceType networkServiceType() const { return networkServiceType_; }
    void setNetworkServiceType(net::URLRequestNetworkServiceType value);
    double timeoutInterval() const { return timeoutInterval_; }
    void setTimeoutInterval(double value);

    // A snapshot of the default header fields, in the order they were set.
    std::vector<std::pair<std::string, std::string>> HTTPRequestHeaders() const;
    void setValue(std::optional<std::string> value, std::string_view field); // nullopt removes
    std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const;
    void setAuthorizationHeaderFieldWithUsername(std::string_view username, std::string_view password);
    void clearAuthorizationHeader();

    const foundation::Ref<foundation::Set>& HTTPMethodsEncodingParametersInURI() const { return methodsInURI_; }
    void setHTTPMethodsEncodingParametersInURI(foundation::Ref<foundation::Set> methods) { methodsInURI_ = std::move(methods); }

    void setQueryStringSerializationWithStyle(NKHTTPRequestQueryStringSerializationStyle style);
    void setQueryStringSerializationWithBlock(QueryStringSerializationBlock block);

    foundation::Ref<net::URLRequest> requestWithMethod(std::string_view method, std::string_view URLString, const foundation::Id& parameters,
                                                       foundation::Ref<foundation::Error>* error) const;
    foundation::Ref<net::URLRequest> requestBySerializingRequest(const foundation::Ref<net::URLRequest>& request,
                                                                 const foundation::Id& parameters,
                                                                 foundation::Ref<foundation::Error>* error) const override;

    // Multipart: a streamed multipart/form-data request from the parameters and the block's parts.
    foundation::Ref<net::URLRequest> multipartFormRequestWithMethod(std::string_view method, std::string_view URLString,
                                                                    const foundation::Id& parameters, const MultipartBodyBlock& block,
                                                                    foundation::Ref<foundation::Error>* error) const;
    // Writes the request's body stream into `fileURL` on a global queue and answers on the main
    // queue; returns at once a copy of the request without its body stream.
    foundation::Ref<net::URLRequest> requestWithMultipartFormRequest(const foundation::Ref<net::URLRequest>& request,
                                                                     const foundation::Ref<foundation::URL>& fileURL,
                                                                     WriteCompletionHandler handler) const;

    // The names of the request properties set so far (the observed key paths that changed).
    std::set<std::string> changedRequestProperties() const { return changedKeyPaths_; }

    foundation::Ref<foundation::Object> copy() const override;
    // Archives keep the default header fields and the query-string style.
    static bool supportsSecureCoding() { return true; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

protected:
    // The base class's steps shared by the JSON and property-list bodies: the copy with the
    // default header fields the request lacks.
    foundation::Ref<net::URLRequest> copyWithDefaultHeaders(const foundation::Ref<net::URLRequest>& request) const;
    bool encodesParametersInURI(const net::URLRequest& request) const;
    // For serializers that write the parameters as one body: URL methods follow the base rules;
    // the others get the default headers and, with parameters, `contentType` unless the request
    // has one and the body `writeBody` makes (nil, with the error set, fails the request).
    using BodyWriter = std::function<foundation::Ref<foundation::Data>(const foundation::Id& parameters, foundation::Ref<foundation::Error>* error)>;
    foundation::Ref<net::URLRequest> serializeBody(const foundation::Ref<net::URLRequest>& request, const foundation::Id& parameters,
                                                   std::string_view contentType, const BodyWriter& writeBody,
                                                   foundation::Ref<foundation::Error>* error) const;
    void copyStateInto(NKHTTPRequestSerializer& other) const;

private:
    void markChanged(const char* keyPath) { changedKeyPaths_.insert(keyPath); }
    void applyChangedProperties(net::URLRequest& request) const;

    unsigned long stringEncoding_ = NKUTF8StringEncoding;
    bool allowsCellularAccess_ = false;
    net::URLRequestCachePolicy cachePolicy_ = net::URLRequestCachePolicy::UseProtocolCachePolicy;
    bool HTTPShouldHandleCookies_ = false;
    bool HTTPShouldUsePipelining_ = false;
    net::URLRequestNetworkServiceType networkServiceType_ = net::URLRequestNetworkServiceType::Default;
    double timeoutInterval_ = 0;
    std::set<std::string> changedKeyPaths_;

    mutable std::shared_mutex headersMutex_;
    std::vector<std::pair<std::string, std::string>> headers_;

    foundation::Ref<foundation::Set> methodsInURI_;
    NKHTTPRequestQueryStringSerializationStyle style_ = NKHTTPRequestQueryStringSerializationStyle::Default;
    QueryStringSerializationBlock queryBlock_;
};

// The request property names copied onto requests once set, in the order they are applied.
const std::vector<std::string>& NKObservedRequestKeyPaths();
