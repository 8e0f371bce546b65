#include "Lib/Networking/NKJSONResponseSerializer.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Serialization/JSONSerialization.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKJSONResponseSerializer::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKJSONResponseSerializer", NKHTTPResponseSerializer::classObject(),
                                                          [] { return Ref<foundation::Object>(std::make_shared<NKJSONResponseSerializer>()); });
    return cls;
}

const foundation::Class* NKJSONResponseSerializer::isa() const
{
    return classObject();
}

Ref<NKJSONResponseSerializer> NKJSONResponseSerializer::serializerWithReadingOptions(unsigned long options)
{
    auto serializer = std::make_shared<NKJSONResponseSerializer>();
    serializer->setReadingOptions(options);
    return serializer;
}

NKJSONResponseSerializer::NKJSONResponseSerializer()
{
    setAcceptableContentTypes(foundation::Set::create({Id("application/json"), Id("text/json"), Id("text/javascript")}));
}

Id NKJSONResponseSerializer::responseObjectForResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                       Ref<foundation::Error>* error) const
{
    if (!validateForDecoding(response, data, error))
        return nullptr;
    if (!data || data->length() == 0 || (data->length() == 1 && data->bytes()[0] == ' '))
        return nullptr;
    Ref<foundation::Error> readError;
    Id object = foundation::JSONSerialization::JSONObjectWithData(data.get(), static_cast<unsigned>(readingOptions_), readingLimits_,
                                                                      &readError);
    if (object.isNil()) {
        if (error)
            *error = NKErrorByChaining(readError, *error);
        return nullptr;
    }
    return removesNulls_ ? NKJSONObjectWithoutNulls(object, readingOptions_) : object;
}

Ref<foundation::Object> NKJSONResponseSerializer::copy() const
{
    auto other = std::make_shared<NKJSONResponseSerializer>();
    copyStateInto(*other);
    other->readingOptions_ = readingOptions_;
    other->removesNulls_ = removesNulls_;
    other->readingLimits_ = readingLimits_;
    return other;
}

void NKJSONResponseSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    NKHTTPResponseSerializer::encodeWithCoder(coder);
    coder.encodeObject(Id(readingOptions_), "readingOptions");
    coder.encodeObject(Id(removesNulls_), "removesKeysWithNullValues");
}

void NKJSONResponseSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    NKHTTPResponseSerializer::initWithCoder(coder);
    readingOptions_ = static_cast<unsigned long>(coder.decodeObjectForKey("readingOptions").integerValue());
    removesNulls_ = coder.decodeObjectForKey("removesKeysWithNullValues").boolValue();
}
