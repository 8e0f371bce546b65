#include "Lib/Networking/NKPropertyListResponseSerializer.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Serialization/PropertyListSerialization.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKPropertyListResponseSerializer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("NKPropertyListResponseSerializer", NKHTTPResponseSerializer::classObject(),
                                                          [] { return Ref<foundation::Object>(std::make_shared<NKPropertyListResponseSerializer>()); });
    return cls;
}

const foundation::Class* NKPropertyListResponseSerializer::isa() const
{
    return classObject();
}

Ref<NKPropertyListResponseSerializer> NKPropertyListResponseSerializer::serializerWithFormat(unsigned long format, unsigned long readOptions)
{
    auto serializer = std::make_shared<NKPropertyListResponseSerializer>();
    serializer->setFormat(format);
    serializer->setReadOptions(readOptions);
    return serializer;
}

NKPropertyListResponseSerializer::NKPropertyListResponseSerializer()
{
    setAcceptableContentTypes(foundation::Set::create({Id("application/x-plist")}));
}

Id NKPropertyListResponseSerializer::responseObjectForResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                               Ref<foundation::Error>* error) const
{
    if (!validateForDecoding(response, data, error))
        return nullptr;
    if (!data)
        return nullptr;
    Ref<foundation::Error> readError;
    Id object = foundation::PropertyListSerialization::propertyListWithData(data, readOptions_, nullptr, &readError);
    if (object.isNil()) {
        if (error)
            *error = NKErrorByChaining(readError, *error);
        return nullptr;
    }
    return object;
}

Ref<foundation::Object> NKPropertyListResponseSerializer::copy() const
{
    auto other = std::make_shared<NKPropertyListResponseSerializer>();
    copyStateInto(*other);
    other->format_ = format_;
    other->readOptions_ = readOptions_;
    return other;
}

void NKPropertyListResponseSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    NKHTTPResponseSerializer::encodeWithCoder(coder);
    coder.encodeObject(Id(format_), "format");
    coder.encodeObject(Id(readOptions_), "readOptions");
}

void NKPropertyListResponseSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    NKHTTPResponseSerializer::initWithCoder(coder);
    format_ = static_cast<unsigned long>(coder.decodeObjectForKey("format").integerValue());
    readOptions_ = static_cast<unsigned long>(coder.decodeObjectForKey("readOptions").integerValue());
}
