#include "Lib/Networking/NKHTTPResponseSerializer.h"

#include "Lib/Networking/NKNetworking.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/URLError.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKHTTPResponseSerializer::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKHTTPResponseSerializer", Object::classObject(),
                                                          [] { return Ref<Object>(std::make_shared<NKHTTPResponseSerializer>()); });
    return cls;
}

const foundation::Class* NKHTTPResponseSerializer::isa() const
{
    return classObject();
}

std::set<long> NKSuccessfulStatusCodes()
{
    std::set<long> codes;
    for (long code = 200; code < 300; ++code)
        codes.insert(code);
    return codes;
}

Ref<NKHTTPResponseSerializer> NKHTTPResponseSerializer::serializer()
{
    return std::make_shared<NKHTTPResponseSerializer>();
}

NKHTTPResponseSerializer::NKHTTPResponseSerializer()
    : statusCodes_(NKSuccessfulStatusCodes())
{
}

void NKHTTPResponseSerializer::setAcceptableContentTypes(const Ref<foundation::Set>& types)
{
    contentTypes_ = types ? std::static_pointer_cast<foundation::Set>(types->copy()) : nullptr;
}

namespace {

Ref<foundation::MutableDictionary> failureUserInfo(const std::string& message, const Ref<net::URLResponse>& response,
                                                   const Ref<foundation::Data>& data)
{
    auto userInfo = foundation::MutableDictionary::create();
    userInfo->setObject(Id(message), Id(foundation::NSLocalizedDescriptionKey));
    userInfo->setObject(Id(response->URL()), Id(foundation::NSURLErrorFailingURLErrorKey));
    userInfo->setObject(Id(response), Id(NKNetworkingOperationFailingURLResponseErrorKey));
    if (data)
        userInfo->setObject(Id(data), Id(NKNetworkingOperationFailingURLResponseDataErrorKey));
    return userInfo;
}

} // namespace

bool NKHTTPResponseSerializer::validateResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                Ref<foundation::Error>* error) const
{
    auto http = std::dynamic_pointer_cast<net::HTTPURLResponse>(response);
    if (!http)
        return true;
    bool valid = true;
    Ref<foundation::Error> validationError;
    const bool hasData = data && data->length() > 0;
    const auto& mime = http->MIMEType();

    if (contentTypes_ && !(mime && contentTypes_->containsObject(Id(*mime))) && !(!mime && !hasData)) {
        if (hasData && http->URL()) {
            const std::string message = foundation::format(NKLocalizedString("Request failed: unacceptable content-type: %@"),
                                                           mime ? Id(*mime) : Id());
            validationError = foundation::Error::errorWithDomain(NKURLResponseSerializationErrorDomain, net::NSURLErrorCannotDecodeContentData,
                                                                 failureUserInfo(message, response, data));
        }
        valid = false;
    }

    if (statusCodes_ && !statusCodes_->contains(http->statusCode()) && http->URL()) {
        const std::string message = foundation::format(NKLocalizedString("Request failed: %@ (%ld)"),
                                                       net::HTTPURLResponse::localizedStringForStatusCode(http->statusCode()),
                                                       http->statusCode());
        auto statusError = foundation::Error::errorWithDomain(NKURLResponseSerializationErrorDomain, net::NSURLErrorBadServerResponse,
                                                              failureUserInfo(message, response, data));
        validationError = NKErrorByChaining(statusError, validationError);
        valid = false;
    }

    if (error && !valid)
        *error = validationError;
    return valid;
}

bool NKHTTPResponseSerializer::validateForDecoding(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                   Ref<foundation::Error>* error) const
{
    if (validateResponse(response, data, error))
        return true;
    return error && !NKErrorChainHasUndecodableContent(*error);
}

Id NKHTTPResponseSerializer::responseObjectForResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                       Ref<foundation::Error>* error) const
{
    validateResponse(response, data, error);
    return Id(data);
}

void NKHTTPResponseSerializer::copyStateInto(NKHTTPResponseSerializer& other) const
{
    other.statusCodes_ = statusCodes_;
    other.setAcceptableContentTypes(contentTypes_);
}

Ref<foundation::Object> NKHTTPResponseSerializer::copy() const
{
    auto other = std::make_shared<NKHTTPResponseSerializer>();
    copyStateInto(*other);
    return other;
}

void NKHTTPResponseSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    if (statusCodes_) {
        std::vector<Id> codes;
        for (const long code : *statusCodes_)
            codes.emplace_back(code);
        coder.encodeObject(Id(foundation::Array::create(std::move(codes))), "acceptableStatusCodes");
    }
    coder.encodeObject(Id(contentTypes_), "acceptableContentTypes");
}

void NKHTTPResponseSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    if (auto codes = coder.decodeObjectForKey("acceptableStatusCodes").array()) {
        std::set<long> decoded;
        for (const auto& code : *codes)
            decoded.insert(static_cast<long>(code.integerValue()));
        statusCodes_ = std::move(decoded);
    } else {
        statusCodes_.reset();
    }
    setAcceptableContentTypes(coder.decodeObjectForKey("acceptableContentTypes").as<foundation::Set>());
}

Ref<foundation::Error> NKErrorByChaining(const Ref<foundation::Error>& error, const Ref<foundation::Error>& underlying)
{
    if (!error)
        return underlying;
    if (!underlying || error->userInfo()->containsKey(foundation::NSUnderlyingErrorKey))
        return error;
    auto userInfo = foundation::MutableDictionary::dictionaryWithDictionary(*error->userInfo());
    userInfo->setObject(Id(underlying), Id(foundation::NSUnderlyingErrorKey));
    return foundation::Error::errorWithDomain(error->domain(), error->code(), userInfo);
}

bool NKErrorChainHasUndecodableContent(const Ref<foundation::Error>& error)
{
    for (auto current = error; current; current = current->underlyingError()) {
        if (current->domain() == NKURLResponseSerializationErrorDomain && current->code() == net::NSURLErrorCannotDecodeContentData)
            return true;
    }
    return false;
}
