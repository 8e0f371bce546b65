#pragma once

#include "Lib/Networking/NKHTTPResponseSerializer.h"

// Reads "application/x-plist" replies as property lists.
class NKPropertyListResponseSerializer final : public NKHTTPResponseSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKPropertyListResponseSerializer> serializer() { return serializerWithFormat(100, 0); }
    static foundation::Ref<NKPropertyListResponseSerializer> serializerWithFormat(unsigned long format, unsigned long readOptions);
    NKPropertyListResponseSerializer();

    unsigned long format() const { return format_; }
    void setFormat(unsigned long format) { format_ = format; }
    unsigned long readOptions() const { return readOptions_; }
    void setReadOptions(unsigned long options) { readOptions_ = options; }

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    unsigned long format_ = 0;
    unsigned long readOptions_ = 0;
};
