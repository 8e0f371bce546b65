#pragma once

#include "Lib/Networking/NKHTTPResponseSerializer.h"

// Parses "application/xml" and "text/xml" replies into an XML document.
class NKXMLDocumentResponseSerializer final : public NKHTTPResponseSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKXMLDocumentResponseSerializer> serializer() { return serializerWithXMLDocumentOptions(0); }
    static foundation::Ref<NKXMLDocumentResponseSerializer> serializerWithXMLDocumentOptions(unsigned long options);
    NKXMLDocumentResponseSerializer();

    unsigned long options() const { return options_; }
    void setOptions(unsigned long options) { options_ = options; }

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    unsigned long options_ = 0;
};
