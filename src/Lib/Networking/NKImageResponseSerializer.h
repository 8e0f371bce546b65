#pragma once

#include "Lib/Networking/NKHTTPResponseSerializer.h"

#include <functional>

// Decodes image replies through a process-wide decoder hook; until the image-loading layer
// installs its own, PNG, JPEG and the other formats Qt reads are decoded into an NKImage. Data
// that is not an image gives nil and no error.
class NKImageResponseSerializer final : public NKHTTPResponseSerializer {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    using Decoder = std::function<foundation::Id(const foundation::Ref<foundation::Data>& data)>;
    // An empty decoder restores the built-in one. Install before replies are decoded.
    static void setImageDecoder(Decoder decoder);

    static foundation::Ref<NKImageResponseSerializer> serializer() { return std::make_shared<NKImageResponseSerializer>(); }
    NKImageResponseSerializer();

    foundation::Id responseObjectForResponse(const foundation::Ref<net::URLResponse>& response, const foundation::Ref<foundation::Data>& data,
                                             foundation::Ref<foundation::Error>* error) const override;
    foundation::Ref<foundation::Object> copy() const override;
};
