#include "Lib/ImageLoading/ILAnimatedImageRep.h"

#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* ILAnimatedImageRep::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILAnimatedImageRep", graphics::BitmapImageRep::classObject());
    return cls;
}

const foundation::Class* ILAnimatedImageRep::isa() const
{
    return classObject();
}

Ref<ILAnimatedImageRep> ILAnimatedImageRep::imageRepWithData(const Ref<foundation::Data>& data)
{
    auto representation = std::make_shared<ILAnimatedImageRep>();
    if (!representation->initWithData(data))
        return nullptr;
    const std::shared_ptr<graphics::ImageSource> source = representation->source();
    if (!source)
        return representation;
    const std::string type = source->type();
    if (source->count() < 2 || type.empty())
        return representation;
    const ILAnimatedCoderTraits* traits = ILImageIOAnimatedCoder::traitsForType(type);
    if (!traits)
        return representation;
    const auto loopCount
        = static_cast<unsigned long>(ILImageIOAnimatedCoder::imageLoopCountWithSource(*traits, *source));
    if (type != graphics::typeIdentifier::gif) {
        // GIF representations count their frames themselves; the others are told here.
        representation->setProperty(
            graphics::bitmapProperty::frameCount, Id(static_cast<long>(source->count())));
        representation->setProperty(graphics::bitmapProperty::currentFrame, Id(0L));
    }
    representation->setProperty(graphics::bitmapProperty::loopCount, Id(loopCount));
    return representation;
}

void ILAnimatedImageRep::setProperty(std::string_view name, const Id& value)
{
    BitmapImageRep::setProperty(name, value);
    if (name != graphics::bitmapProperty::currentFrame)
        return;
    const double duration = frameDuration(*this, static_cast<std::size_t>(value.unsignedLongLongValue()));
    if (duration != 0)
        BitmapImageRep::setProperty(graphics::bitmapProperty::currentFrameDuration, Id(duration));
}

double ILAnimatedImageRep::frameDuration(const graphics::BitmapImageRep& representation, std::size_t index)
{
    const std::shared_ptr<graphics::ImageSource> source = representation.source();
    if (!source)
        return 0;
    const ILAnimatedCoderTraits* traits = ILImageIOAnimatedCoder::traitsForType(source->type());
    return traits ? ILImageIOAnimatedCoder::frameDurationAtIndex(*traits, index, *source) : 0;
}
