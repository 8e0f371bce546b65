#include "Lib/Networking/NKPropertyListRequestSerializer.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Serialization/PropertyListSerialization.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKPropertyListRequestSerializer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("NKPropertyListRequestSerializer", NKHTTPRequestSerializer::classObject(),
                                                          [] { return Ref<foundation::Object>(std::make_shared<NKPropertyListRequestSerializer>()); });
    return cls;
}

const foundation::Class* NKPropertyListRequestSerializer::isa() const
{
    return classObject();
}

Ref<NKPropertyListRequestSerializer> NKPropertyListRequestSerializer::serializerWithFormat(unsigned long format, unsigned long writeOptions)
{
    auto serializer = std::make_shared<NKPropertyListRequestSerializer>();
    serializer->setFormat(format);
    serializer->setWriteOptions(writeOptions);
    return serializer;
}

Ref<net::URLRequest> NKPropertyListRequestSerializer::requestBySerializingRequest(const Ref<net::URLRequest>& request, const Id& parameters,
                                                                                  Ref<foundation::Error>* error) const
{
    return serializeBody(request, parameters, "application/x-plist", [this](const Id& object, Ref<foundation::Error>* writeError) {
        return foundation::PropertyListSerialization::dataWithPropertyList(object, static_cast<foundation::PropertyListFormat>(format_),
                                                                           writeOptions_, writeError);
    }, error);
}

Ref<foundation::Object> NKPropertyListRequestSerializer::copy() const
{
    auto other = std::make_shared<NKPropertyListRequestSerializer>();
    copyStateInto(*other);
    other->format_ = format_;
    other->writeOptions_ = writeOptions_;
    return other;
}

void NKPropertyListRequestSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    NKHTTPRequestSerializer::encodeWithCoder(coder);
    coder.encodeInteger(static_cast<long long>(format_), "format");
    coder.encodeObject(Id(writeOptions_), "writeOptions");
}

void NKPropertyListRequestSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    NKHTTPRequestSerializer::initWithCoder(coder);
    format_ = static_cast<unsigned long>(coder.decodeIntegerForKey("format"));
    writeOptions_ = static_cast<unsigned long>(coder.decodeObjectForKey("writeOptions").integerValue());
}
