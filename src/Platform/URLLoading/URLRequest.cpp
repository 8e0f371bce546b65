#include "Platform/URLLoading/URLRequest.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

#include <algorithm>

namespace net {

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

std::string asciiLowercase(std::string text)
{
    for (char& c : text)
        c = asciiLower(c);
    return text;
}

std::optional<std::string> headerValue(const std::vector<std::pair<std::string, std::string>>& fields,
                                       std::string_view name)
{
    for (const auto& [key, value] : fields)
        if (equalsIgnoringCase(key, name))
            return value;
    return std::nullopt;
}

const foundation::Class* URLRequest::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSURLRequest", Object::classObject(),
                                                                     [] { return std::make_shared<URLRequest>(); });
    return cls;
}

const foundation::Class* URLRequest::isa() const
{
    return classObject();
}

foundation::Ref<URLRequest> URLRequest::requestWithURL(foundation::Ref<foundation::URL> url)
{
    auto request = std::make_shared<URLRequest>();
    request->url_ = std::move(url);
    return request;
}

foundation::Ref<URLRequest> URLRequest::requestWithURL(foundation::Ref<foundation::URL> url, URLRequestCachePolicy policy,
                                                       double timeoutInterval)
{
    auto request = requestWithURL(std::move(url));
    request->cachePolicy_ = policy;
    request->setTimeoutInterval(timeoutInterval);
    return request;
}

std::optional<std::string> URLRequest::valueForHTTPHeaderField(std::string_view name) const
{
    return headerValue(headers_, name);
}

void URLRequest::setValue(std::optional<std::string> value, std::string_view field)
{
    auto it = std::ranges::find_if(headers_, [&](const auto& entry) { return equalsIgnoringCase(entry.first, field); });
    if (!value) {
        if (it != headers_.end())
            headers_.erase(it);
        return;
    }
    if (it != headers_.end())
        it->second = std::move(*value);
    else
        headers_.emplace_back(std::string(field), std::move(*value));
}

void URLRequest::addValue(const std::string& value, std::string_view field)
{
    auto it = std::ranges::find_if(headers_, [&](const auto& entry) { return equalsIgnoringCase(entry.first, field); });
    if (it != headers_.end())
        it->second += ", " + value;
    else
        headers_.emplace_back(std::string(field), value);
}

foundation::Ref<foundation::Dictionary> URLRequest::allHTTPHeaderFields() const
{
    auto fields = foundation::MutableDictionary::create();
    for (const auto& [key, value] : headers_)
        fields->setObject(foundation::Id(value), foundation::Id(key));
    return fields;
}

void URLRequest::setAllHTTPHeaderFields(const std::vector<std::pair<std::string, std::string>>& fields)
{
    headers_.clear();
    for (const auto& [key, value] : fields)
        setValue(value, key);
}

void URLRequest::setHTTPBody(foundation::Ref<foundation::Data> body)
{
    body_ = std::move(body);
    if (body_)
        bodyStream_.reset();
}

void URLRequest::setHTTPBodyStream(foundation::Ref<InputStream> stream)
{
    bodyStream_ = std::move(stream);
    if (bodyStream_)
        body_.reset();
}

void URLRequest::setTimeoutInterval(double seconds)
{
    timeout_ = seconds;
    explicitTimeout_ = true;
}

std::string URLRequest::description() const
{
    return foundation::format("<NSMutableURLRequest: %p> { URL: %@ }", static_cast<const void*>(this),
                              url_ ? url_->absoluteString() : std::string("(null)"));
}

bool URLRequest::isEqual(const foundation::Object& other) const
{
    auto* request = dynamic_cast<const URLRequest*>(&other);
    if (!request)
        return false;
    bool sameURL = (!url_ && !request->url_) || (url_ && request->url_ && url_->isEqual(*request->url_));
    bool sameBody = (!body_ && !request->body_) || (body_ && request->body_ && body_->isEqual(*request->body_));
    return sameURL && sameBody && method_ == request->method_ && headers_ == request->headers_ &&
        bodyStream_ == request->bodyStream_ && cachePolicy_ == request->cachePolicy_ && timeout_ == request->timeout_;
}

std::size_t URLRequest::hash() const
{
    return url_ ? url_->hash() : 0;
}

} // namespace net
