#include "Lib/ImageLoading/ILImageHEICCoder.h"

#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

#include <algorithm>

namespace {

bool sourcesRead(std::string_view typeIdentifier)
{
    const auto& types = graphics::ImageSource::typeIdentifiers();
    return std::find(types.begin(), types.end(), typeIdentifier) != types.end();
}

bool destinationsWrite(std::string_view typeIdentifier)
{
    return graphics::ImageDestination::create(typeIdentifier, 1) != nullptr;
}

} // namespace

const foundation::Class* ILImageHEICCoder::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageHEICCoder", ILImageCoder::classObject());
    return cls;
}

const foundation::Class* ILImageHEICCoder::isa() const
{
    return classObject();
}

const ILAnimatedCoderTraits& ILImageHEICCoder::coderTraits()
{
    static constexpr ILAnimatedCoderTraits traits {
        .imageFormat = ILImageFormatHEIC,
        .imageUTType = graphics::typeIdentifier::heic,
        .dictionaryProperty = graphics::imageProperty::heicsDictionary,
        .unclampedDelayTimeProperty = graphics::imageProperty::unclampedDelayTime,
        .delayTimeProperty = graphics::imageProperty::delayTime,
        .loopCountProperty = graphics::imageProperty::loopCount,
        .defaultLoopCount = 0,
    };
    return traits;
}

bool ILImageHEICCoder::canDecodeFromHEICFormat()
{
    static const bool answer = sourcesRead(graphics::typeIdentifier::heic);
    return answer;
}

bool ILImageHEICCoder::canDecodeFromHEIFFormat()
{
    static const bool answer = sourcesRead(graphics::typeIdentifier::heif);
    return answer;
}

bool ILImageHEICCoder::canEncodeToHEICFormat()
{
    static const bool answer = destinationsWrite(graphics::typeIdentifier::heic);
    return answer;
}

bool ILImageHEICCoder::canEncodeToHEIFFormat()
{
    static const bool answer = destinationsWrite(graphics::typeIdentifier::heif);
    return answer;
}

bool ILImageHEICCoder::canDecodeFromData(const foundation::Ref<foundation::Data>& data) const
{
    switch (il_imageFormatForImageData(data)) {
    case ILImageFormatHEIC:
        return canDecodeFromHEICFormat();
    case ILImageFormatHEIF:
        return canDecodeFromHEIFFormat();
    default:
        return false;
    }
}

bool ILImageHEICCoder::canEncodeToFormat(ILImageFormatCode format) const
{
    switch (format) {
    case ILImageFormatHEIC:
        return canEncodeToHEICFormat();
    case ILImageFormatHEIF:
        return canEncodeToHEIFFormat();
    default:
        return false;
    }
}
