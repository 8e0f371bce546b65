#pragma once

#include "Lib/Networking/NKHTTPResponseSerializer.h"

namespace foundation {
class Array;
}

// Tries its serializers in order and answers the first object one of them makes; else the base
// class's answer (its own validation, the data unchanged).
class NKCompoundResponseSerializer final : public NKHTTPResponseSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<NKCompoundResponseSerializer> compoundSerializerWithResponseSerializers(const foundation::Ref<foundation::Array>& serializers);

    const foundation::Ref<foundation::Array>& responseSerializers() const { return serializers_; }
    void setResponseSerializers(const foundation::Ref<foundation::Array>& serializers);

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

private:
    foundation::Ref<foundation::Array> serializers_;
};
