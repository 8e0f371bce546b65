#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Storage/Coding.h"

#include <optional>
#include <set>

namespace foundation {
class Data;
class Error;
class Set;
} // namespace foundation

namespace net {
class URLResponse;
}

// What the session manager asks of a response serializer. Implementations must allow concurrent
// calls: replies are decoded on a concurrent queue.
class NKURLResponseSerialization {
public:
    virtual ~NKURLResponseSerialization() = default;
    virtual foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response,
                                                     const foundation::Ref<foundation::Data>& data,
                                                     foundation::Ref<foundation::Error>* error) const
        = 0;
};

// Validates status code and MIME type and hands back the data unchanged. Its subclasses decode.
// Configure before use; reading is thread-safe.
class NKHTTPResponseSerializer : public foundation::Object, public NKURLResponseSerialization, public foundation::Coding {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKHTTPResponseSerializer> serializer();
    NKHTTPResponseSerializer();

    unsigned long stringEncoding() const { return stringEncoding_; }
    void setStringEncoding(unsigned long encoding) { stringEncoding_ = encoding; }
    // nullopt: every status passes.
    const std::optional<std::set<long>>& acceptableStatusCodes() const { return statusCodes_; }
    void setAcceptableStatusCodes(std::optional<std::set<long>> codes) { statusCodes_ = std::move(codes); }
    // nil: every MIME type passes.
    const foundation::Ref<foundation::Set>& acceptableContentTypes() const { return contentTypes_; }
    void setAcceptableContentTypes(const foundation::Ref<foundation::Set>& types);

    // True for a reply that passes; an invalid reply stores its error (which may be nil).
    bool validateResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                          foundation::Ref<foundation::Error>* error) const;

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;

    foundation::Ref<foundation::Object> copy() const override;
    // Archives keep the acceptable status codes (as an array of numbers) and content types.
    static bool supportsSecureCoding() { return true; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

protected:
    // Validation and the gate of the decoding serializers: false when decoding must not go ahead.
    bool validateForDecoding(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                             foundation::Ref<foundation::Error>* error) const;
    void copyStateInto(NKHTTPResponseSerializer& other) const;

private:
    unsigned long stringEncoding_ = 0;
    std::optional<std::set<long>> statusCodes_;
    foundation::Ref<foundation::Set> contentTypes_;
};

// The status codes 200 to 299.
std::set<long> NKSuccessfulStatusCodes();

// `error` with `underlying` under its underlying-error key (see the definition for the cases).
foundation::Ref<foundation::Error> NKErrorByChaining(const foundation::Ref<foundation::Error>& error,
                                                     const foundation::Ref<foundation::Error>& underlying);
// True when the error or one beneath it is a response-serialization error of code -1016.
bool NKErrorChainHasUndecodableContent(const foundation::Ref<foundation::Error>& error);
// The object with every dictionary entry whose value is Null removed, at any depth; mutable
// containers when bit 0 of `options` is set. Works without recursion, so any depth is safe.
foundation::Id NKJSONObjectWithoutNulls(const foundation::Id& object, unsigned long options);
