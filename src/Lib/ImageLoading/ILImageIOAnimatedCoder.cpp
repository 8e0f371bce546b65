#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"

#include "Lib/ImageLoading/ILAnimatedImageRep.h"
#include "Lib/ImageLoading/ILImageAPNGCoder.h"
#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageCompatibility.h"
#include "Lib/ImageLoading/ILImageGIFCoder.h"
#include "Lib/ImageLoading/ILImageHEICCoder.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILImageWebPCoder.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;
using graphics::Image;
using graphics::ImageSource;

namespace {

// Delays shorter than this play as 0.1 s, as browsers do.
constexpr double kShortestDelay = 0.011;
constexpr double kDefaultDelay = 0.1;

Ref<Dictionary> single(std::string_view key, const Id& value)
{
    return Dictionary::create({ { Id(key), value } });
}

} // namespace

ILImageIOAnimatedCoder::ILImageIOAnimatedCoder(const ILAnimatedCoderTraits& traits)
    : traits_(traits)
{
}

ILImageIOAnimatedCoder::~ILImageIOAnimatedCoder() = default;

const ILAnimatedCoderTraits* ILImageIOAnimatedCoder::traitsForType(std::string_view typeIdentifier)
{
    for (const ILAnimatedCoderTraits* traits : { &ILImageGIFCoder::coderTraits(),
             &ILImageAPNGCoder::coderTraits(), &ILImageWebPCoder::coderTraits() })
        if (traits->imageUTType == typeIdentifier)
            return traits;
    if (typeIdentifier == ILImageHEICCoder::kSequenceTypeIdentifier)
        return &ILImageHEICCoder::coderTraits();
    return nullptr;
}

double ILImageIOAnimatedCoder::frameDurationAtIndex(
    const ILAnimatedCoderTraits& traits, std::size_t index, const ImageSource& source)
{
    const Ref<Dictionary> properties = source.propertiesAtIndex(index);
    if (!properties)
        return kDefaultDelay;
    const Id format = properties->objectForKey(traits.dictionaryProperty);
    double duration = kDefaultDelay;
    if (const Id unclamped = format[traits.unclampedDelayTimeProperty])
        duration = unclamped.doubleValue();
    else if (const Id delay = format[traits.delayTimeProperty])
        duration = delay.doubleValue();
    return duration < kShortestDelay ? kDefaultDelay : duration;
}

std::size_t ILImageIOAnimatedCoder::imageLoopCountWithSource(
    const ILAnimatedCoderTraits& traits, const ImageSource& source)
{
    const Id loopCount = Id(source.properties())[traits.dictionaryProperty][traits.loopCountProperty];
    return loopCount ? static_cast<std::size_t>(loopCount.unsignedLongLongValue()) : traits.defaultLoopCount;
}

bool ILImageIOAnimatedCoder::canDecodeFromData(const Ref<foundation::Data>& data) const
{
    return il_imageFormatForImageData(data) == traits_.imageFormat;
}

bool ILImageIOAnimatedCoder::canIncrementalDecodeFromData(const Ref<foundation::Data>& data) const
{
    return canDecodeFromData(data);
}

bool ILImageIOAnimatedCoder::canEncodeToFormat(ILImageFormatCode format) const
{
    return format == traits_.imageFormat;
}

Ref<Image> ILImageIOAnimatedCoder::decodedImageWithData(
    const Ref<foundation::Data>& data, const ILImageCoderOptions& options) const
{
    if (!data)
        return nullptr;
    bool shrinkAsked = false;
    if (Ref<Image> still = ILDecodedThumbnail(
            ImageSource::create(data), ILImageCoderScaleFromOptions(options), options, &shrinkAsked)) {
        il_setImageFormat(still, traits_.imageFormat);
        return still;
    }
    // Refused at the size asked: not decoded whole instead.
    if (shrinkAsked)
        return nullptr;
    const Ref<ILAnimatedImageRep> representation = ILAnimatedImageRep::imageRepWithData(data);
    if (!representation)
        return nullptr;
    return Image::create(representation, ILImageCoderScaleFromOptions(options));
}

Ref<ILImageCoder> ILImageIOAnimatedCoder::initIncrementalWithOptions(const ILImageCoderOptions& options) const
{
    std::shared_ptr<ILImageIOAnimatedCoder> coder = makeCoder();
    coder->source_ = ImageSource::createIncremental();
    coder->scale_ = ILImageCoderScaleFromOptions(options);
    return coder;
}

void ILImageIOAnimatedCoder::updateIncrementalData(const Ref<foundation::Data>& data, bool finished)
{
    std::lock_guard lock(mutex_);
    if (finished_ || !source_)
        return;
    data_ = data;
    finished_ = finished;
    source_->update(data, finished);
    if (width_ == 0 && height_ == 0) {
        const Id properties(source_->propertiesAtIndex(0));
        width_ = properties[graphics::imageProperty::pixelWidth].intValue();
        height_ = properties[graphics::imageProperty::pixelHeight].intValue();
    }
    scanFrames();
}

QSize ILImageIOAnimatedCoder::incrementalPixelSize() const
{
    std::lock_guard lock(mutex_);
    return QSize(width_, height_);
}

Ref<Image> ILImageIOAnimatedCoder::incrementalDecodedImageWithOptions(const ILImageCoderOptions& options)
{
    std::shared_ptr<ImageSource> source;
    double scale = 0;
    {
        std::lock_guard lock(mutex_);
        if (width_ + height_ == 0 || !source_)
            return nullptr;
        source = source_;
        scale = scale_;
    }
    bool shrinkAsked = false;
    Ref<Image> image
        = ILDecodedThumbnail(source, ILImageCoderScaleFromOptions(options, scale), options, &shrinkAsked);
    if (!image && !shrinkAsked) {
        const QImage frame = source->imageAtIndex(0);
        if (frame.isNull())
            return nullptr;
        image = il_initWithCGImage(frame, ILImageCoderScaleFromOptions(options, scale), 1);
    }
    if (image)
        il_setImageFormat(image, traits_.imageFormat);
    return image;
}

std::shared_ptr<ILAnimatedImageCoder> ILImageIOAnimatedCoder::initWithAnimatedImageData(
    const Ref<foundation::Data>& data, const ILImageCoderOptions& options) const
{
    if (!data)
        return nullptr;
    std::shared_ptr<ImageSource> source = ImageSource::create(data);
    if (!source)
        return nullptr;
    std::shared_ptr<ILImageIOAnimatedCoder> coder = makeCoder();
    std::lock_guard lock(coder->mutex_);
    coder->source_ = std::move(source);
    coder->data_ = data;
    coder->scale_ = ILImageCoderScaleFromOptions(options);
    coder->frameScale_ = coder->scale_;
    const Id properties(coder->source_->propertiesAtIndex(0));
    const QSize stored(properties[graphics::imageProperty::pixelWidth].intValue(),
        properties[graphics::imageProperty::pixelHeight].intValue());
    const QSize wanted = ILThumbnailPixelSize(stored, options);
    if (!stored.isEmpty() && wanted != stored
        && ILThumbnailBoxOf(options, ILImageCoderDecodeThumbnailPixelSize).isValid()) {
        coder->frameSize_ = wanted;
        coder->frameShrinkRatio_ = double(wanted.width()) / stored.width();
        coder->frameScale_ = std::max(1.0, coder->scale_) * coder->frameShrinkRatio_;
    }
    coder->finished_ = true;
    coder->scanFrames();
    return coder;
}

void ILImageIOAnimatedCoder::scanFrames()
{
    const std::size_t count = source_->count();
    loopCount_ = imageLoopCountWithSource(traits_, *source_);
    durations_.clear();
    durations_.reserve(count);
    for (std::size_t index = 0; index < count; ++index)
        durations_.push_back(frameDurationAtIndex(traits_, index, *source_));
}

Ref<foundation::Data> ILImageIOAnimatedCoder::animatedImageData() const
{
    std::lock_guard lock(mutex_);
    return data_;
}

std::size_t ILImageIOAnimatedCoder::animatedImageFrameCount() const
{
    std::lock_guard lock(mutex_);
    return durations_.size();
}

std::size_t ILImageIOAnimatedCoder::animatedImageLoopCount() const
{
    std::lock_guard lock(mutex_);
    return loopCount_;
}

double ILImageIOAnimatedCoder::animatedImageDurationAtIndex(std::size_t index) const
{
    std::lock_guard lock(mutex_);
    return index < durations_.size() ? durations_[index] : 0;
}

Ref<Image> ILImageIOAnimatedCoder::animatedImageFrameAtIndex(std::size_t index) const
{
    std::shared_ptr<ImageSource> source;
    double scale = 1;
    QSize size;
    {
        std::lock_guard lock(mutex_);
        if (!source_ || index >= durations_.size())
            return nullptr;
        source = source_;
        scale = frameScale_;
        size = frameSize_;
    }
    const QImage frame = size.isValid() ? source->imageAtIndex(index, size) : source->imageAtIndex(index);
    if (frame.isNull())
        return nullptr;
    return Image::create(frame, scale);
}

double ILImageIOAnimatedCoder::frameShrinkRatio() const
{
    std::lock_guard lock(mutex_);
    return frameShrinkRatio_;
}

std::size_t ILImageIOAnimatedCoder::cachedBytes() const
{
    std::lock_guard lock(mutex_);
    return source_ ? source_->cachedBytes() : 0;
}

Ref<foundation::Data> ILImageIOAnimatedCoder::encodedDataWithImage(
    const Ref<Image>& image, ILImageFormatCode format, const ILImageCoderOptions& options) const
{
    if (!image || image->isEmpty() || format != traits_.imageFormat)
        return nullptr;
    const bool firstFrameOnly
        = options && options->objectForKey(ILImageCoderEncodeFirstFrameOnly).boolValue();
    const std::optional<ILImageFrames> frames
        = firstFrameOnly ? std::nullopt : ILImageCoderHelper::framesFromAnimatedImage(image);
    const bool animated = frames && !frames->empty();
    auto destination = graphics::ImageDestination::create(traits_.imageUTType, animated ? frames->size() : 1);
    if (!destination)
        return nullptr;
    const Id quality(ILImageCoderQualityFromOptions(options));
    auto properties = foundation::MutableDictionary::create(
        { { Id(graphics::imageProperty::lossyCompressionQuality), quality } });
    if (!animated) {
        destination->addImage(image->image(), properties);
        return destination->finalize();
    }
    properties->setObject(
        single(traits_.loopCountProperty, Id(il_imageLoopCount(image))), Id(traits_.dictionaryProperty));
    destination->setProperties(properties);
    for (const ILImageFrame& frame : *frames)
        destination->addImage(frame.image->image(),
            single(traits_.dictionaryProperty, single(traits_.delayTimeProperty, Id(frame.duration))));
    return destination->finalize();
}
