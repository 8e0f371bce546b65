#include "Lib/Networking/NKXMLDocumentResponseSerializer.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Serialization/XMLDocument.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKXMLDocumentResponseSerializer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("NKXMLDocumentResponseSerializer", NKHTTPResponseSerializer::classObject(),
                                                          [] { return Ref<foundation::Object>(std::make_shared<NKXMLDocumentResponseSerializer>()); });
    return cls;
}

const foundation::Class* NKXMLDocumentResponseSerializer::isa() const
{
    return classObject();
}

Ref<NKXMLDocumentResponseSerializer> NKXMLDocumentResponseSerializer::serializerWithXMLDocumentOptions(unsigned long options)
{
    auto serializer = std::make_shared<NKXMLDocumentResponseSerializer>();
    serializer->setOptions(options);
    return serializer;
}

NKXMLDocumentResponseSerializer::NKXMLDocumentResponseSerializer()
{
    setAcceptableContentTypes(foundation::Set::create({Id("application/xml"), Id("text/xml")}));
}

Id NKXMLDocumentResponseSerializer::responseObjectForResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                              Ref<foundation::Error>* error) const
{
    if (!validateForDecoding(response, data, error))
        return nullptr;
    Ref<foundation::Error> documentError;
    auto document = foundation::XMLDocument::create(data ? data : foundation::Data::create(), static_cast<unsigned>(options_), &documentError);
    if (!document) {
        if (error)
            *error = NKErrorByChaining(documentError, *error);
        return nullptr;
    }
    return Id(document);
}

Ref<foundation::Object> NKXMLDocumentResponseSerializer::copy() const
{
    auto other = std::make_shared<NKXMLDocumentResponseSerializer>();
    copyStateInto(*other);
    other->options_ = options_;
    return other;
}

void NKXMLDocumentResponseSerializer::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    NKHTTPResponseSerializer::encodeWithCoder(coder);
    coder.encodeObject(Id(options_), "options");
}

void NKXMLDocumentResponseSerializer::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    NKHTTPResponseSerializer::initWithCoder(coder);
    options_ = static_cast<unsigned long>(coder.decodeObjectForKey("options").integerValue());
}
