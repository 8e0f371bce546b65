#pragma once

#include "Lib/Networking/NKHTTPResponseSerializer.h"

// Decodes JSON replies ("application/json", "text/json", "text/javascript") with the
// foundation's reader and its depth limit.
class NKJSONResponseSerializer final : public NKHTTPResponseSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKJSONResponseSerializer> serializer() { return serializerWithReadingOptions(0); }
    static foundation::Ref<NKJSONResponseSerializer> serializerWithReadingOptions(unsigned long options);
    NKJSONResponseSerializer();

    unsigned long readingOptions() const { return readingOptions_; }
    void setReadingOptions(unsigned long options) { readingOptions_ = options; }
    bool removesKeysWithNullValues() const { return removesNulls_; }
    void setRemovesKeysWithNullValues(bool value) { removesNulls_ = value; }

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    unsigned long readingOptions_ = 0;
    bool removesNulls_ = false;
};
