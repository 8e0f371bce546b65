#pragma once

#include "Lib/Networking/NKHTTPRequestSerializer.h"

// Writes the parameters of body methods as a property-list body ("application/x-plist" unless set).
class NKPropertyListRequestSerializer final : public NKHTTPRequestSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static constexpr unsigned long kXMLFormat = 100;
    static foundation::Ref<NKPropertyListRequestSerializer> serializer() { return serializerWithFormat(kXMLFormat, 0); }
    static foundation::Ref<NKPropertyListRequestSerializer> serializerWithFormat(unsigned long format, unsigned long writeOptions);

    unsigned long format() const { return format_; }
    void setFormat(unsigned long format) { format_ = format; }
    unsigned long writeOptions() const { return writeOptions_; }
    void setWriteOptions(unsigned long options) { writeOptions_ = options; }

    foundation::Ref<net::URLRequest> requestBySerializingRequest(const foundation::Ref<net::URLRequest>& request,
                                                                 const foundation::Id& parameters,
                                                                 foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    unsigned long format_ = kXMLFormat;
    unsigned long writeOptions_ = 0;
};
