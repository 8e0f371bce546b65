#include "Lib/ImageLoading/ILImageAPNGCoder.h"

#include "Platform/Graphics/ImageProperties.h"

const foundation::Class* ILImageAPNGCoder::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageAPNGCoder", ILImageCoder::classObject());
    return cls;
}

const foundation::Class* ILImageAPNGCoder::isa() const
{
    return classObject();
}

const ILAnimatedCoderTraits& ILImageAPNGCoder::coderTraits()
{
    static constexpr ILAnimatedCoderTraits traits {
        .imageFormat = ILImageFormatPNG,
        .imageUTType = graphics::typeIdentifier::png,
        .dictionaryProperty = graphics::imageProperty::pngDictionary,
        .unclampedDelayTimeProperty = graphics::imageProperty::unclampedDelayTime,
        .delayTimeProperty = graphics::imageProperty::delayTime,
        .loopCountProperty = graphics::imageProperty::loopCount,
        .defaultLoopCount = 0,
    };
    return traits;
}
