#include "Lib/ImageLoading/ILImageWebPCoder.h"

#include "Platform/Graphics/ImageProperties.h"

const foundation::Class* ILImageWebPCoder::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageWebPCoder", ILImageCoder::classObject());
    return cls;
}

const foundation::Class* ILImageWebPCoder::isa() const
{
    return classObject();
}

const ILAnimatedCoderTraits& ILImageWebPCoder::coderTraits()
{
    static constexpr ILAnimatedCoderTraits traits {
        .imageFormat = ILImageFormatWebP,
        .imageUTType = graphics::typeIdentifier::webp,
        .dictionaryProperty = graphics::imageProperty::webpDictionary,
        .unclampedDelayTimeProperty = graphics::imageProperty::unclampedDelayTime,
        .delayTimeProperty = graphics::imageProperty::delayTime,
        .loopCountProperty = graphics::imageProperty::loopCount,
        .defaultLoopCount = 0,
    };
    return traits;
}
