#include "Lib/Networking/NKCompoundResponseSerializer.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKCompoundResponseSerializer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("NKCompoundResponseSerializer", NKHTTPResponseSerializer::classObject(),
                                                          [] { return Ref<foundation::Object>(std::make_shared<NKCompoundResponseSerializer>()); });
    return cls;
}

const foundation::Class* NKCompoundResponseSerializer::isa() const
{
    return classObject();
}

Ref<NKCompoundResponseSerializer> NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(const Ref<foundation::Array>& serializers)
{
    auto compound = std::make_shared<NKCompoundResponseSerializer>();
    compound->setResponseSerializers(serializers);
    return compound;
}

void NKCompoundResponseSerializer::setResponseSerializers(const Ref<foundation::Array>& serializers)
{
    serializers_ = serializers ? std::static_pointer_cast<foundation::Array>(serializers->copy()) : nullptr;
}

Id NKCompoundResponseSerializer::responseObjectForResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                           Ref<foundation::Error>* error) const
{
    if (serializers_) {
        for (const auto& element : *serializers_) {
            auto serializer = element.as<NKHTTPResponseSerializer>();
            if (!serializer)
                continue;
            Ref<foundation::Error> serializerError;
            Id object = serializer->responseObjectForResponse(response, data, &serializerError);
            if (!object.isNil()) {
                if (error)
                    *error = NKErrorByChaining(serializerError, *error);
                return object;
            }
        }
    }
    return NKHTTPResponseSerializer::responseObjectForResponse(response, data, error);
}

Ref<foundation::Object> NKCompoundResponseSerializer::copy() const
{
    auto other = std::make_shared<NKCompoundResponseSerializer>();
    copyStateInto(*other);
    other->setResponseSerializers(serializers_);
    return other;
}

void NKCompoundResponseSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    NKHTTPResponseSerializer::encodeWithCoder(coder);
    coder.encodeObject(Id(serializers_), "responseSerializers");
}

void NKCompoundResponseSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    NKHTTPResponseSerializer::initWithCoder(coder);
    setResponseSerializers(coder.decodeObjectForKey("responseSerializers").array());
}
