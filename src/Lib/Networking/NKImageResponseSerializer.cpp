#include "Lib/Networking/NKImageResponseSerializer.h"

#include "Lib/Networking/NKImage.h"
#include "Platform/Foundation/Foundation.h"

#include <mutex>

using foundation::Id;
using foundation::Ref;

namespace {

std::mutex& decoderMutex()
{
    static std::mutex mutex;
    return mutex;
}

NKImageResponseSerializer::Decoder& installedDecoder()
{
    static NKImageResponseSerializer::Decoder decoder;
    return decoder;
}

} // namespace

const foundation::Class* NKImageResponseSerializer::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKImageResponseSerializer", NKHTTPResponseSerializer::classObject(),
                                  [] { return Ref<foundation::Object>(std::make_shared<NKImageResponseSerializer>()); });
    return cls;
}

const foundation::Class* NKImageResponseSerializer::isa() const
{
    return classObject();
}

void NKImageResponseSerializer::setImageDecoder(Decoder decoder)
{
    std::lock_guard lock(decoderMutex());
    installedDecoder() = std::move(decoder);
}

NKImageResponseSerializer::NKImageResponseSerializer()
{
    setAcceptableContentTypes(foundation::Set::create({Id("image/tiff"), Id("image/jpeg"), Id("image/gif"), Id("image/png"), Id("image/ico"),
                                                       Id("image/x-icon"), Id("image/bmp"), Id("image/x-bmp"), Id("image/x-xbitmap"),
                                                       Id("image/x-win-bitmap")}));
}

Id NKImageResponseSerializer::responseObjectForResponse(const Ref<net::URLResponse>& response, const Ref<foundation::Data>& data,
                                                        Ref<foundation::Error>* error) const
{
    if (!validateForDecoding(response, data, error))
        return nullptr;
    Decoder decoder;
    {
        std::lock_guard lock(decoderMutex());
        decoder = installedDecoder();
    }
    if (decoder)
        return decoder(data);
    return Id(NKImage::imageWithData(data));
}

Ref<foundation::Object> NKImageResponseSerializer::copy() const
{
    auto other = std::make_shared<NKImageResponseSerializer>();
    copyStateInto(*other);
    return other;
}
