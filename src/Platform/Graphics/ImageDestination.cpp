#include "Platform/Graphics/ImageDestination.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/detail/Encoders.h"

#include <algorithm>

namespace graphics {

using foundation::Data;
using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;

namespace {

constexpr std::string_view formatKeys[] = {imageProperty::gifDictionary, imageProperty::pngDictionary,
    imageProperty::webpDictionary, imageProperty::heicsDictionary};

// The value under `key` in whichever format dictionary holds it.
Id formatValue(const Id& properties, std::string_view key)
{
    for (std::string_view format : formatKeys)
        if (Id value = properties[format][key])
            return value;
    return {};
}

} // namespace

ImageDestination::ImageDestination(std::string type, std::size_t count)
    : type_(std::move(type))
    , count_(count)
{
}

ImageDestination::~ImageDestination() = default;

const std::vector<std::string>& ImageDestination::typeIdentifiers()
{
    static const std::vector<std::string> types = [] {
        std::vector<std::string> list;
        for (std::string_view type : {typeIdentifier::jpeg, typeIdentifier::png, typeIdentifier::gif,
                 typeIdentifier::tiff, typeIdentifier::webp, typeIdentifier::heic, typeIdentifier::heif})
            if (detail::canEncode(type))
                list.emplace_back(type);
        return list;
    }();
    return types;
}

std::unique_ptr<ImageDestination> ImageDestination::create(std::string_view type, std::size_t count)
{
    if (count == 0 || !detail::canEncode(type))
        return nullptr;
    return std::unique_ptr<ImageDestination>(new ImageDestination(std::string(type), count));
}

void ImageDestination::setProperties(const Ref<Dictionary>& properties)
{
    Id values(properties);
    if (Id quality = values[imageProperty::lossyCompressionQuality])
        quality_ = std::clamp(quality.doubleValue(), 0.0, 1.0);
    if (Id loops = formatValue(values, imageProperty::loopCount))
        loopCount_ = unsigned(std::clamp<long long>(loops.integerValue(), 0, 65535));
}

void ImageDestination::addImage(const QImage& image, const Ref<Dictionary>& properties)
{
    if (image.isNull() || frames_.size() >= count_) {
        failed_ = true;
        return;
    }
    Frame frame;
    frame.image = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                          : image.convertToFormat(QImage::Format_RGB32);
    Id values(properties);
    Id quality = values[imageProperty::lossyCompressionQuality];
    frame.quality = quality ? std::clamp(quality.doubleValue(), 0.0, 1.0) : -1;
    if (Id delay = formatValue(values, imageProperty::delayTime))
        frame.delay = delay.doubleValue();
    frames_.push_back(std::move(frame));
}

Ref<Data> ImageDestination::finalize()
{
    if (finalized_ || failed_ || frames_.empty())
        return nullptr;
    finalized_ = true;
    for (Frame& frame : frames_)
        if (frame.quality < 0)
            frame.quality = quality_;
    auto bytes = detail::encodeImages(type_, frames_, loopCount_);
    if (!bytes)
        return nullptr;
    return Data::create(std::move(*bytes));
}

} // namespace graphics
