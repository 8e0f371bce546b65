#include "Platform/Graphics/Image.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

namespace graphics {

using foundation::Data;
using foundation::Id;
using foundation::Ref;

namespace {
constexpr std::string_view dataKey = "NSImageData";
constexpr std::string_view scaleKey = "NSImageScale";
} // namespace

const foundation::Class* Image::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("NSImage", Object::classObject(), [] { return std::make_shared<Image>(); });
    return cls;
}

const foundation::Class* Image::isa() const
{
    return classObject();
}

Ref<Image> Image::create(const QImage& pixels, double scale)
{
    return create(BitmapImageRep::create(pixels), scale);
}

Ref<Image> Image::create(Ref<BitmapImageRep> representation, double scale)
{
    if (!representation)
        return nullptr;
    auto image = std::make_shared<Image>();
    image->initWithRepresentation(std::move(representation), scale);
    return image;
}

Ref<Image> Image::createWithData(const Ref<Data>& data, double scale)
{
    return create(BitmapImageRep::imageRepWithData(data), scale);
}

void Image::initWithRepresentation(Ref<BitmapImageRep> representation, double scale)
{
    representation_ = std::move(representation);
    if (representation_)
        representation_->setScale(scale);
}

QImage Image::image() const
{
    return representation_ ? representation_->image() : QImage();
}

double Image::scale() const
{
    return representation_ ? representation_->scale() : 1.0;
}

QSizeF Image::size() const
{
    if (!representation_)
        return {};
    QImage pixels = representation_->image();
    double scale = representation_->scale();
    return {pixels.width() / scale, pixels.height() / scale};
}

std::size_t Image::memoryCost() const
{
    return representation_ ? representation_->memoryCost() : 0;
}

Id Image::associatedObject(std::string_view key) const
{
    std::lock_guard lock(associatedMutex_);
    auto found = associated_.find(key);
    return found == associated_.end() ? Id() : found->second;
}

void Image::setAssociatedObject(std::string_view key, const Id& value)
{
    std::lock_guard lock(associatedMutex_);
    if (value)
        associated_.insert_or_assign(std::string(key), value);
    else if (auto found = associated_.find(key); found != associated_.end())
        associated_.erase(found);
}

void Image::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    QImage pixels = image();
    if (pixels.isNull())
        return;
    auto destination = ImageDestination::create(typeIdentifier::png, 1);
    destination->addImage(pixels);
    if (auto data = destination->finalize()) {
        coder.encodeObject(Id(data), dataKey);
        coder.encodeDouble(scale(), scaleKey);
    }
}

void Image::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    auto data = coder.decodeObjectForKey(dataKey).as<Data>();
    if (!data)
        return;
    initWithRepresentation(BitmapImageRep::imageRepWithData(data), coder.decodeDoubleForKey(scaleKey));
}

} // namespace graphics
