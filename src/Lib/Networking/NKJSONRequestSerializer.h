#pragma once

#include "Lib/Networking/NKHTTPRequestSerializer.h"

// Writes the parameters of body methods as a JSON body ("application/json" unless set).
class NKJSONRequestSerializer final : public NKHTTPRequestSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKJSONRequestSerializer> serializer() { return serializerWithWritingOptions(0); }
    static foundation::Ref<NKJSONRequestSerializer> serializerWithWritingOptions(unsigned long options);

    unsigned long writingOptions() const { return writingOptions_; }
    void setWritingOptions(unsigned long options) { writingOptions_ = options; }

    foundation::Ref<net::URLRequest> requestBySerializingRequest(const foundation::Ref<net::URLRequest>& request,
                                                                 const foundation::Id& parameters,
                                                                 foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    unsigned long writingOptions_ = 0;
};
