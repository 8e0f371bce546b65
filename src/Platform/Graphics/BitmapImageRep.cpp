#include "Platform/Graphics/BitmapImageRep.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

namespace graphics {

using foundation::Data;
using foundation::Id;
using foundation::Ref;

namespace {

QImage paintReady(const QImage& pixels)
{
    if (pixels.isNull())
        return {};
    QImage::Format format = pixels.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return pixels.format() == format ? pixels : pixels.convertToFormat(format);
}

QImage atScale(QImage image, double scale)
{
    if (!image.isNull() && image.devicePixelRatio() != scale)
        image.setDevicePixelRatio(scale);
    return image;
}

double gifDelay(const ImageSource& source, std::size_t index)
{
    auto properties = source.propertiesAtIndex(index);
    return properties ? Id(properties)[imageProperty::gifDictionary][imageProperty::delayTime].doubleValue() : 0;
}

} // namespace

const foundation::Class* BitmapImageRep::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define(
        "NSBitmapImageRep", Object::classObject(), [] { return std::make_shared<BitmapImageRep>(); });
    return cls;
}

const foundation::Class* BitmapImageRep::isa() const
{
    return classObject();
}

Ref<BitmapImageRep> BitmapImageRep::create(const QImage& pixels)
{
    auto rep = std::make_shared<BitmapImageRep>();
    return rep->initWithImage(pixels) ? rep : nullptr;
}

Ref<BitmapImageRep> BitmapImageRep::imageRepWithData(const Ref<Data>& data)
{
    auto rep = std::make_shared<BitmapImageRep>();
    return rep->initWithData(data) ? rep : nullptr;
}

bool BitmapImageRep::initWithImage(const QImage& pixels)
{
    QImage image = paintReady(pixels);
    if (image.isNull())
        return false;
    std::lock_guard lock(mutex_);
    image_ = atScale(std::move(image), scale_);
    return true;
}

bool BitmapImageRep::initWithData(const Ref<Data>& data)
{
    auto source = ImageSource::create(data);
    if (!source)
        return false;
    QImage first = source->imageAtIndex(0);
    if (first.isNull())
        return false;
    std::size_t frames = source->count();
    std::lock_guard lock(mutex_);
    image_ = atScale(std::move(first), scale_);
    source_ = source;
    if (source->type() == typeIdentifier::gif && frames >= 2) {
        properties_[std::string(bitmapProperty::frameCount)] = Id(static_cast<long long>(frames));
        properties_[std::string(bitmapProperty::currentFrame)] = Id(0LL);
        properties_[std::string(bitmapProperty::currentFrameDuration)] = Id(gifDelay(*source, 0));
        Id loop = Id(source->properties())[imageProperty::gifDictionary][imageProperty::loopCount];
        if (loop)
            properties_[std::string(bitmapProperty::loopCount)] = loop;
    }
    return true;
}

QImage BitmapImageRep::image() const
{
    std::lock_guard lock(mutex_);
    return image_;
}

double BitmapImageRep::scale() const
{
    std::lock_guard lock(mutex_);
    return scale_;
}

void BitmapImageRep::setScale(double scale)
{
    std::lock_guard lock(mutex_);
    scale_ = scale > 0 ? scale : 1.0;
    image_ = atScale(std::move(image_), scale_);
}

int BitmapImageRep::pixelsWide() const
{
    std::lock_guard lock(mutex_);
    return image_.width();
}

int BitmapImageRep::pixelsHigh() const
{
    std::lock_guard lock(mutex_);
    return image_.height();
}

bool BitmapImageRep::hasAlpha() const
{
    std::lock_guard lock(mutex_);
    return image_.hasAlphaChannel();
}

std::shared_ptr<ImageSource> BitmapImageRep::source() const
{
    std::lock_guard lock(mutex_);
    return source_;
}

std::string BitmapImageRep::typeIdentifier() const
{
    auto source = this->source();
    return source ? source->type() : std::string();
}

QImage BitmapImageRep::frameAtIndex(std::size_t index) const
{
    std::shared_ptr<ImageSource> source;
    double scale = 1.0;
    {
        std::lock_guard lock(mutex_);
        if (!source_)
            return index == 0 ? image_ : QImage();
        source = source_;
        scale = scale_;
    }
    return atScale(source->imageAtIndex(index), scale);
}

Id BitmapImageRep::valueForProperty(std::string_view name) const
{
    std::lock_guard lock(mutex_);
    auto found = properties_.find(name);
    return found == properties_.end() ? Id() : found->second;
}

void BitmapImageRep::setProperty(std::string_view name, const Id& value)
{
    std::shared_ptr<ImageSource> source;
    {
        std::lock_guard lock(mutex_);
        if (value)
            properties_.insert_or_assign(std::string(name), value);
        else if (auto found = properties_.find(name); found != properties_.end())
            properties_.erase(found);
        if (name != bitmapProperty::currentFrame || !source_ || !value)
            return;
        source = source_;
    }
    // Decoded outside the lock: a long decode does not hold readers of the properties.
    auto index = static_cast<std::size_t>(value.unsignedLongLongValue());
    QImage frame = source->imageAtIndex(index);
    bool gif = source->type() == typeIdentifier::gif;
    double delay = gif ? gifDelay(*source, index) : 0;
    std::lock_guard lock(mutex_);
    if (!frame.isNull())
        image_ = atScale(std::move(frame), scale_);
    if (gif && properties_.contains(bitmapProperty::frameCount))
        properties_[std::string(bitmapProperty::currentFrameDuration)] = Id(delay);
}

std::size_t BitmapImageRep::memoryCost() const
{
    std::lock_guard lock(mutex_);
    std::size_t bytes = std::size_t(image_.sizeInBytes());
    if (source_) {
        bytes += source_->cachedBytes();
        if (auto data = source_->data())
            bytes += data->length();
    }
    return bytes;
}

} // namespace graphics
