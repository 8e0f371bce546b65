#include "Lib/Networking/NKXMLParserResponseSerializer.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/XMLParser.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKXMLParserResponseSerializer::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("NKXMLParserResponseSerializer", NKHTTPResponseSerializer::classObject(),
                                  [] { return Ref<foundation::Object>(std::make_shared<NKXMLParserResponseSerializer>()); });
    return cls;
}

const foundation::Class* NKXMLParserResponseSerializer::isa() const
{
    return classObject();
}

NKXMLParserResponseSerializer::NKXMLParserResponseSerializer()
{
    setAcceptableContentTypes(foundation::Set::create({Id("application/xml"), Id("text/xml")}));
}

Id NKXMLParserResponseSerializer::responseObjectForResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                            Ref<foundation::Error>* error) const
{
    if (!validateForDecoding(response, data, error))
        return nullptr;
    return Id(foundation::XMLParser::create(data ? data : foundation::Data::create()));
}

Ref<foundation::Object> NKXMLParserResponseSerializer::copy() const
{
    auto other = std::make_shared<NKXMLParserResponseSerializer>();
    copyStateInto(*other);
    return other;
}
