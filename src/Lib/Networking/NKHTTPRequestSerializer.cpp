#include "Lib/Networking/NKHTTPRequestSerializer.h"

#include "Lib/Networking/NKDefaultHeaders.h"
#include "Lib/Networking/NKQueryString.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

#include <algorithm>
#include <cctype>
#include <mutex>

using foundation::Id;
using foundation::Ref;

const std::vector<std::string>& NKObservedRequestKeyPaths()
{
    static const std::vector<std::string> paths{"allowsCellularAccess", "cachePolicy", "HTTPShouldHandleCookies",
                                                "HTTPShouldUsePipelining", "networkServiceType", "timeoutInterval"};
    return paths;
}

const foundation::Class* NKHTTPRequestSerializer::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKHTTPRequestSerializer", Object::classObject(),
                                                                     [] { return Ref<Object>(std::make_shared<NKHTTPRequestSerializer>()); });
    return cls;
}

const foundation::Class* NKHTTPRequestSerializer::isa() const
{
    return classObject();
}

Ref<NKHTTPRequestSerializer> NKHTTPRequestSerializer::serializer()
{
    return std::make_shared<NKHTTPRequestSerializer>();
}

NKHTTPRequestSerializer::NKHTTPRequestSerializer()
{
    headers_.emplace_back("Accept-Language", NKAcceptLanguageValue(NKPreferredLanguages()));
    headers_.emplace_back("User-Agent", NKUserAgentValue());
    methodsInURI_ = foundation::Set::create({Id("GET"), Id("HEAD"), Id("DELETE")});
}

void NKHTTPRequestSerializer::setAllowsCellularAccess(bool value)
{
    allowsCellularAccess_ = value;
    markChanged("allowsCellularAccess");
}

void NKHTTPRequestSerializer::setCachePolicy(net::URLRequestCachePolicy value)
{
    cachePolicy_ = value;
    markChanged("cachePolicy");
}

void NKHTTPRequestSerializer::setHTTPShouldHandleCookies(bool value)
{
    HTTPShouldHandleCookies_ = value;
    markChanged("HTTPShouldHandleCookies");
}

void NKHTTPRequestSerializer::setHTTPShouldUsePipelining(bool value)
{
    HTTPShouldUsePipelining_ = value;
    markChanged("HTTPShouldUsePipelining");
}

void NKHTTPRequestSerializer::setNetworkServiceType(net::URLRequestNetworkServiceType value)
{
    networkServiceType_ = value;
    markChanged("networkServiceType");
}

void NKHTTPRequestSerializer::setTimeoutInterval(double value)
{
    timeoutInterval_ = value;
    markChanged("timeoutInterval");
}

std::vector<std::pair<std::string, std::string>> NKHTTPRequestSerializer::HTTPRequestHeaders() const
{
    std::shared_lock lock(headersMutex_);
    return headers_;
}

void NKHTTPRequestSerializer::setValue(std::optional<std::string> value, std::string_view field)
{
    std::unique_lock lock(headersMutex_);
    auto found = std::find_if(headers_.begin(), headers_.end(), [&](const auto& entry) { return entry.first == field; });
    if (!value) {
        if (found != headers_.end())
            headers_.erase(found);
    } else if (found != headers_.end()) {
        found->second = std::move(*value);
    } else {
        headers_.emplace_back(std::string(field), std::move(*value));
    }
}

std::optional<std::string> NKHTTPRequestSerializer::valueForHTTPHeaderField(std::string_view field) const
{
    std::shared_lock lock(headersMutex_);
    for (const auto& [name, value] : headers_)
        if (name == field)
            return value;
    return std::nullopt;
}

void NKHTTPRequestSerializer::setAuthorizationHeaderFieldWithUsername(std::string_view username, std::string_view password)
{
    const auto credentials = foundation::Data::create(foundation::format("%@:%@", username, password));
    setValue(foundation::format("Basic %@", credentials->base64EncodedString()), "Authorization");
}

void NKHTTPRequestSerializer::clearAuthorizationHeader()
{
    setValue(std::nullopt, "Authorization");
}

void NKHTTPRequestSerializer::setQueryStringSerializationWithStyle(NKHTTPRequestQueryStringSerializationStyle style)
{
    style_ = style;
    queryBlock_ = nullptr;
}

void NKHTTPRequestSerializer::setQueryStringSerializationWithBlock(QueryStringSerializationBlock block)
{
    queryBlock_ = std::move(block);
}

void NKHTTPRequestSerializer::applyChangedProperties(net::URLRequest& request) const
{
    for (const auto& path : NKObservedRequestKeyPaths()) {
        if (!changedKeyPaths_.contains(path))
            continue;
        if (path == "allowsCellularAccess")
            request.setAllowsCellularAccess(allowsCellularAccess_);
        else if (path == "cachePolicy")
            request.setCachePolicy(cachePolicy_);
        else if (path == "HTTPShouldHandleCookies")
            request.setHTTPShouldHandleCookies(HTTPShouldHandleCookies_);
        else if (path == "HTTPShouldUsePipelining")
            request.setHTTPShouldUsePipelining(HTTPShouldUsePipelining_);
        else if (path == "networkServiceType")
            request.setNetworkServiceType(networkServiceType_);
        else if (path == "timeoutInterval")
            request.setTimeoutInterval(timeoutInterval_);
    }
}

Ref<net::URLRequest> NKHTTPRequestSerializer::requestWithMethod(std::string_view method, std::string_view URLString, const Id& parameters,
                                                                Ref<foundation::Error>* error) const
{
    auto request = net::URLRequest::requestWithURL(foundation::URL::URLWithString(URLString));
    request->setHTTPMethod(std::string(method));
    applyChangedProperties(*request);
    auto serialized = requestBySerializingRequest(request, parameters, error);
    return serialized ? serialized->clone() : nullptr;
}

Ref<net::URLRequest> NKHTTPRequestSerializer::copyWithDefaultHeaders(const Ref<net::URLRequest>& request) const
{
    auto copy = request->clone();
    for (const auto& [field, value] : HTTPRequestHeaders())
        if (!request->valueForHTTPHeaderField(field))
            copy->setValue(value, field);
    return copy;
}

bool NKHTTPRequestSerializer::encodesParametersInURI(const net::URLRequest& request) const
{
    std::string method = request.HTTPMethod();
    std::transform(method.begin(), method.end(), method.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return methodsInURI_ && methodsInURI_->containsObject(Id(method));
}

Ref<net::URLRequest> NKHTTPRequestSerializer::requestBySerializingRequest(const Ref<net::URLRequest>& request, const Id& parameters,
                                                                          Ref<foundation::Error>* error) const
{
    auto mutableRequest = copyWithDefaultHeaders(request);

    std::optional<std::string> query;
    if (!parameters.isNil()) {
        if (queryBlock_) {
            Ref<foundation::Error> blockError;
            query = queryBlock_(request, parameters, &blockError);
            if (blockError) {
                if (error)
                    *error = blockError;
                return nullptr;
            }
        } else if (style_ == NKHTTPRequestQueryStringSerializationStyle::Default) {
            query = NKQueryStringForParameters(parameters);
        }
    }

    if (encodesParametersInURI(*request)) {
        if (query && !query->empty() && mutableRequest->URL()) {
            const auto& url = mutableRequest->URL();
            const std::string text = url->absoluteString() + foundation::format(url->query() ? "&%@" : "?%@", *query);
            mutableRequest->setURL(foundation::URL::URLWithString(text));
        }
    } else {
        if (!mutableRequest->valueForHTTPHeaderField("Content-Type"))
            mutableRequest->setValue("application/x-www-form-urlencoded", "Content-Type");
        mutableRequest->setHTTPBody(foundation::Data::create(query.value_or(std::string())));
    }
    return mutableRequest;
}

Ref<net::URLRequest> NKHTTPRequestSerializer::serializeBody(const Ref<net::URLRequest>& request, const Id& parameters,
                                                            std::string_view contentType, const BodyWriter& writeBody,
                                                            Ref<foundation::Error>* error) const
{
    if (encodesParametersInURI(*request))
        return NKHTTPRequestSerializer::requestBySerializingRequest(request, parameters, error);
    auto mutableRequest = copyWithDefaultHeaders(request);
    if (parameters.isNil())
        return mutableRequest;
    if (!mutableRequest->valueForHTTPHeaderField("Content-Type"))
        mutableRequest->setValue(std::string(contentType), "Content-Type");
    auto body = writeBody(parameters, error);
    if (!body)
        return nullptr;
    mutableRequest->setHTTPBody(body);
    return mutableRequest;
}

void NKHTTPRequestSerializer::copyStateInto(NKHTTPRequestSerializer& other) const
{
    {
        std::shared_lock lock(headersMutex_);
        std::unique_lock otherLock(other.headersMutex_);
        other.headers_ = headers_;
    }
    other.style_ = style_;
    other.queryBlock_ = queryBlock_;
}

Ref<foundation::Object> NKHTTPRequestSerializer::copy() const
{
    auto other = std::make_shared<NKHTTPRequestSerializer>();
    copyStateInto(*other);
    return other;
}

void NKHTTPRequestSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    auto headers = foundation::MutableDictionary::create();
    for (const auto& [field, value] : HTTPRequestHeaders())
        headers->setObject(Id(value), Id(field));
    coder.encodeObject(Id(headers), "mutableHTTPRequestHeaders");
    coder.encodeInteger(static_cast<long long>(style_), "queryStringSerializationStyle");
}

void NKHTTPRequestSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    if (auto headers = coder.decodeObjectForKey("mutableHTTPRequestHeaders").dictionary()) {
        std::unique_lock lock(headersMutex_);
        headers_.clear();
        for (const auto& entry : *headers)
            headers_.emplace_back(entry.key.stringValue(), entry.value.stringValue());
    }
    style_ = static_cast<NKHTTPRequestQueryStringSerializationStyle>(coder.decodeIntegerForKey("queryStringSerializationStyle"));
}
