#pragma once

#include "Lib/Networking/NKHTTPResponseSerializer.h"

// Hands back an XML parser over the reply (not started) for "application/xml" and "text/xml".
class NKXMLParserResponseSerializer final : public NKHTTPResponseSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKXMLParserResponseSerializer> serializer() { return std::make_shared<NKXMLParserResponseSerializer>(); }
    NKXMLParserResponseSerializer();

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
};
