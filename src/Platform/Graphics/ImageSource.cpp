#include "Platform/Graphics/ImageSource.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/FullDecodeGate.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/detail/FrameDecoder.h"

#include <cstring>

namespace graphics {

using foundation::Data;
using foundation::Dictionary;
using foundation::Ref;

namespace {

// The type of the leading bytes; "" when they are too few to tell (`complete` false) or no format.
std::string detectType(std::span<const std::uint8_t> bytes, bool complete, bool& undecided)
{
    auto starts = [&](std::size_t offset, std::string_view text) {
        return bytes.size() >= offset + text.size() && std::memcmp(bytes.data() + offset, text.data(), text.size()) == 0;
    };
    undecided = false;
    if (starts(0, "\x89PNG"))
        return std::string(typeIdentifier::png);
    if (starts(0, "\xff\xd8\xff"))
        return std::string(typeIdentifier::jpeg);
    if (starts(0, "GIF8"))
        return std::string(typeIdentifier::gif);
    if (starts(0, std::string_view("II*\0", 4)) || starts(0, std::string_view("MM\0*", 4)))
        return std::string(typeIdentifier::tiff);
    if (starts(0, "RIFF") && starts(8, "WEBP"))
        return std::string(typeIdentifier::webp);
    if (starts(4, "ftyp")) {
        for (std::string_view brand : {"heic", "heix", "hevc", "hevx"})
            if (starts(8, brand))
                return std::string(typeIdentifier::heic);
        for (std::string_view brand : {"mif1", "msf1"})
            if (starts(8, brand))
                return std::string(typeIdentifier::heif);
    }
    if (starts(0, "BM"))
        return std::string(typeIdentifier::bmp);
    if (starts(0, std::string_view("\0\0\1\0", 4)) && !starts(4, "ftyp"))
        return std::string(typeIdentifier::ico);
    undecided = !complete && bytes.size() < 12;
    return {};
}

} // namespace

ImageSource::ImageSource() = default;
ImageSource::~ImageSource() = default;

std::shared_ptr<ImageSource> ImageSource::create(const Ref<Data>& data)
{
    if (!data || data->length() == 0)
        return nullptr;
    std::shared_ptr<ImageSource> source(new ImageSource());
    source->adoptData(data, true);
    return source;
}

std::shared_ptr<ImageSource> ImageSource::createIncremental()
{
    std::shared_ptr<ImageSource> source(new ImageSource());
    source->incremental_ = true;
    return source;
}

const std::vector<std::string>& ImageSource::typeIdentifiers()
{
    static const std::vector<std::string> types = [] {
        std::vector<std::string> list;
        for (std::string_view type : {typeIdentifier::jpeg, typeIdentifier::png, typeIdentifier::gif,
                 typeIdentifier::tiff, typeIdentifier::webp, typeIdentifier::heic, typeIdentifier::heif,
                 typeIdentifier::bmp, typeIdentifier::ico})
            if (detail::makeFrameDecoder(type))
                list.emplace_back(type);
        return list;
    }();
    return types;
}

std::string ImageSource::typeOfData(const Data& data)
{
    bool undecided = false;
    return detectType(data.span(), true, undecided);
}

void ImageSource::update(const Ref<Data>& data, bool final)
{
    std::lock_guard lock(mutex_);
    if (!incremental_ || final_ || !data)
        return;
    adoptData(data, final);
}

void ImageSource::adoptData(const Ref<Data>& data, bool final)
{
    data_ = std::static_pointer_cast<Data>(data->copy());
    final_ = final;
    if (type_.empty()) {
        bool undecided = false;
        type_ = detectType(data_->span(), final, undecided);
        if (!type_.empty())
            decoder_ = detail::makeFrameDecoder(type_);
    }
    if (decoder_)
        decoder_->update(data_, final);
}

ImageSourceStatus ImageSource::status() const
{
    std::lock_guard lock(mutex_);
    if (decoder_)
        return decoder_->status();
    if (!type_.empty() || final_)
        return ImageSourceStatus::UnknownType;
    return ImageSourceStatus::ReadingHeader;
}

std::string ImageSource::type() const
{
    std::lock_guard lock(mutex_);
    return type_;
}

std::size_t ImageSource::count() const
{
    std::lock_guard lock(mutex_);
    return decoder_ ? decoder_->count() : 0;
}

Ref<Data> ImageSource::data() const
{
    std::lock_guard lock(mutex_);
    return data_;
}

Ref<Dictionary> ImageSource::properties() const
{
    std::lock_guard lock(mutex_);
    return decoder_ ? decoder_->properties() : Dictionary::create();
}

Ref<Dictionary> ImageSource::propertiesAtIndex(std::size_t index) const
{
    std::lock_guard lock(mutex_);
    return decoder_ ? decoder_->propertiesAtIndex(index) : nullptr;
}

QImage ImageSource::imageAtIndex(std::size_t index) const
{
    std::lock_guard lock(mutex_);
    if (!decoder_)
        return {};
    // Under the lock, as on the scaled road's fallback: one order of the two, so no decode holds a
    // place while it waits for a source that waits for a place.
    const FullDecodeGate::Hold place = decoder_->holdWholeFrame(index);
    QImage image = decoder_->imageAtIndex(index);
    if (!image.isNull() && image.devicePixelRatio() != 1.0)
        image.setDevicePixelRatio(1.0);
    return image;
}

QImage ImageSource::imageAtIndex(std::size_t index, QSize size) const
{
    std::lock_guard lock(mutex_);
    if (!decoder_)
        return {};
    QImage image = decoder_->scaledImageAtIndex(index, size);
    if (!image.isNull() && image.devicePixelRatio() != 1.0)
        image.setDevicePixelRatio(1.0);
    return image;
}

std::size_t ImageSource::cachedBytes() const
{
    std::lock_guard lock(mutex_);
    return decoder_ ? decoder_->cachedBytes() : 0;
}

} // namespace graphics
