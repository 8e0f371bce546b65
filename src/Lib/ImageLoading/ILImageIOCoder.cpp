#include "Lib/ImageLoading/ILImageIOCoder.h"

#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageCompatibility.h"
#include "Lib/ImageLoading/ILImageHEICCoder.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

using foundation::Id;
using foundation::Ref;
using graphics::Image;

const foundation::Class* ILImageIOCoder::classObject()
{
    static const foundation::Class* cls
        = &foundation::Class::define("ILImageIOCoder", ILImageCoder::classObject());
    return cls;
}

const foundation::Class* ILImageIOCoder::isa() const
{
    return classObject();
}

const std::shared_ptr<ILImageIOCoder>& ILImageIOCoder::sharedCoder()
{
    static const auto coder = std::make_shared<ILImageIOCoder>();
    return coder;
}

bool ILImageIOCoder::canDecodeFromData(const Ref<foundation::Data>& data) const
{
    switch (il_imageFormatForImageData(data)) {
    case ILImageFormatWebP:
        return false;
    case ILImageFormatHEIC:
        return ILImageHEICCoder::canDecodeFromHEICFormat();
    case ILImageFormatHEIF:
        return ILImageHEICCoder::canDecodeFromHEIFFormat();
    default:
        return true;
    }
}

bool ILImageIOCoder::canIncrementalDecodeFromData(const Ref<foundation::Data>& data) const
{
    return canDecodeFromData(data);
}

Ref<Image> ILImageIOCoder::decodedImageWithData(
    const Ref<foundation::Data>& data, const ILImageCoderOptions& options) const
{
    if (!data)
        return nullptr;
    bool shrinkAsked = false;
    Ref<Image> image = ILDecodedThumbnail(
        graphics::ImageSource::create(data), ILImageCoderScaleFromOptions(options), options, &shrinkAsked);
    // A frame refused at the size asked is not decoded whole instead.
    if (!image && !shrinkAsked)
        image = il_initWithData(data, ILImageCoderScaleFromOptions(options));
    if (image)
        il_setImageFormat(image, il_imageFormatForImageData(data));
    return image;
}

Ref<ILImageCoder> ILImageIOCoder::initIncrementalWithOptions(const ILImageCoderOptions& options) const
{
    auto coder = std::make_shared<ILImageIOCoder>();
    coder->source_ = graphics::ImageSource::createIncremental();
    coder->scale_ = ILImageCoderScaleFromOptions(options);
    return coder;
}

void ILImageIOCoder::updateIncrementalData(const Ref<foundation::Data>& data, bool finished)
{
    std::lock_guard lock(mutex_);
    if (finished_ || !source_)
        return;
    finished_ = finished;
    source_->update(data, finished);
    if (width_ + height_ == 0) {
        const Id properties(source_->propertiesAtIndex(0));
        if (const Id height = properties[graphics::imageProperty::pixelHeight])
            height_ = height.intValue();
        if (const Id width = properties[graphics::imageProperty::pixelWidth])
            width_ = width.intValue();
        if (const Id orientation = properties[graphics::imageProperty::orientation])
            orientation_ = orientation.intValue();
    }
}

QSize ILImageIOCoder::incrementalPixelSize() const
{
    std::lock_guard lock(mutex_);
    return QSize(width_, height_);
}

Ref<Image> ILImageIOCoder::incrementalDecodedImageWithOptions(const ILImageCoderOptions& options)
{
    std::shared_ptr<graphics::ImageSource> source;
    int orientation = 1;
    double scale = 1;
    {
        std::lock_guard lock(mutex_);
        if (width_ + height_ == 0 || !source_)
            return nullptr;
        source = source_;
        orientation = orientation_;
        scale = scale_;
    }
    bool shrinkAsked = false;
    Ref<Image> image
        = ILDecodedThumbnail(source, ILImageCoderScaleFromOptions(options, scale), options, &shrinkAsked);
    if (!image && !shrinkAsked) {
        const QImage frame = source->imageAtIndex(0);
        if (frame.isNull())
            return nullptr;
        image = il_initWithCGImage(frame, ILImageCoderScaleFromOptions(options, scale), orientation);
    }
    if (image)
        il_setImageFormat(image, il_imageFormatFromUTType(source->type()));
    return image;
}

bool ILImageIOCoder::canEncodeToFormat(ILImageFormatCode format) const
{
    switch (format) {
    case ILImageFormatWebP:
        return false;
    case ILImageFormatHEIC:
        return ILImageHEICCoder::canEncodeToHEICFormat();
    case ILImageFormatHEIF:
        return ILImageHEICCoder::canEncodeToHEIFFormat();
    default:
        return true;
    }
}

Ref<foundation::Data> ILImageIOCoder::encodedDataWithImage(
    const Ref<Image>& image, ILImageFormatCode format, const ILImageCoderOptions& options) const
{
    if (!image || image->isEmpty())
        return nullptr;
    const QImage pixels = image->image();
    if (format == ILImageFormatUndefined)
        format = ILImageCoderHelper::CGImageContainsAlpha(pixels) ? ILImageFormatPNG : ILImageFormatJPEG;
    auto destination = graphics::ImageDestination::create(il_UTTypeFromImageFormat(format), 1);
    if (!destination)
        return nullptr;
    destination->addImage(pixels,
        foundation::Dictionary::create({
            { Id(graphics::imageProperty::orientation), Id(1) },
            { Id(graphics::imageProperty::lossyCompressionQuality),
                Id(ILImageCoderQualityFromOptions(options)) },
        }));
    return destination->finalize();
}
