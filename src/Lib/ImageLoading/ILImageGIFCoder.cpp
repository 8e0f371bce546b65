#include "Lib/ImageLoading/ILImageGIFCoder.h"

#include "Platform/Graphics/ImageProperties.h"

const foundation::Class* ILImageGIFCoder::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageGIFCoder", ILImageCoder::classObject());
    return cls;
}

const foundation::Class* ILImageGIFCoder::isa() const
{
    return classObject();
}

const ILAnimatedCoderTraits& ILImageGIFCoder::coderTraits()
{
    static constexpr ILAnimatedCoderTraits traits {
        .imageFormat = ILImageFormatGIF,
        .imageUTType = graphics::typeIdentifier::gif,
        .dictionaryProperty = graphics::imageProperty::gifDictionary,
        .unclampedDelayTimeProperty = graphics::imageProperty::unclampedDelayTime,
        .delayTimeProperty = graphics::imageProperty::delayTime,
        .loopCountProperty = graphics::imageProperty::loopCount,
        .defaultLoopCount = 1,
    };
    return traits;
}
