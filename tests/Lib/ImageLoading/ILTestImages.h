#pragma once

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageTestSupport.h"

#include <QColor>
#include <QImage>
#include <string>
#include <vector>

namespace iltest {

using foundation::Data;
using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;

// A frame of one flat colour, so that any frame can be told from the others by one pixel.
inline QImage flat(int width, int height, QRgb colour)
{
    QImage image(
        width, height, qAlpha(colour) == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgba(colour));
    return image;
}

// An animation written by the image destination: one frame per colour, each with its delay in the
// format's dictionary, and the loop count when given.
inline Ref<Data> animation(std::string_view type, std::string_view dictionary,
    const std::vector<QImage>& frames, const std::vector<double>& delays,
    std::optional<unsigned> loopCount = std::nullopt)
{
    auto destination = graphics::ImageDestination::create(type, frames.size());
    if (loopCount)
        destination->setProperties(Dictionary::create({ { Id(dictionary),
            Dictionary::create({ { Id(graphics::imageProperty::loopCount), Id(*loopCount) } }) } }));
    for (std::size_t i = 0; i < frames.size(); ++i)
        destination->addImage(frames[i],
            Dictionary::create({ { Id(dictionary),
                Dictionary::create({ { Id(graphics::imageProperty::delayTime), Id(delays[i]) } }) } }));
    return destination->finalize();
}

inline Ref<Data> apng(const std::vector<QImage>& frames, const std::vector<double>& delays,
    std::optional<unsigned> loopCount = std::nullopt)
{
    return animation(
        graphics::typeIdentifier::png, graphics::imageProperty::pngDictionary, frames, delays, loopCount);
}

inline Ref<Data> animatedWebP(const std::vector<QImage>& frames, const std::vector<double>& delays)
{
    return animation(
        graphics::typeIdentifier::webp, graphics::imageProperty::webpDictionary, frames, delays, 0);
}

// Three frames of red, green and blue.
inline std::vector<QImage> rgbFrames(int width = 6, int height = 4)
{
    return { flat(width, height, 0xFFFF0000u), flat(width, height, 0xFF00FF00u),
        flat(width, height, 0xFF0000FFu) };
}

// A JPEG of `image` written by Qt, with an EXIF block naming `orientation` right after its start.
inline Ref<Data> jpegWithOrientation(const QImage& image, int orientation)
{
    const Ref<Data> plain = graphicstest::qtEncoded(image, "jpeg", 100);
    // APP1: "Exif\0\0", a little-endian TIFF header, one IFD with the Orientation tag (0x0112, SHORT).
    const std::uint8_t exif[] = { 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3,
        0, 1, 0, 0, 0, static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0, 0 };
    std::vector<std::uint8_t> bytes(plain->bytes(), plain->bytes() + 2);
    const std::size_t length = sizeof(exif) + 2;
    bytes.insert(bytes.end(),
        { 0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length) });
    bytes.insert(bytes.end(), std::begin(exif), std::end(exif));
    bytes.insert(bytes.end(), plain->bytes() + 2, plain->bytes() + plain->length());
    return Data::create(std::move(bytes));
}

// Five 4096 × 4096 frames: 320 MiB once decoded, past the limit for frames held at once, though the
// data is small. Made once per test process (encoding takes a few seconds).
inline const Ref<Data>& hugeAnimation()
{
    static const Ref<Data> data = [] {
        const QImage big = flat(4096, 4096, 0xFF203040u);
        return apng({ big, big, big, big, big }, { 0.1, 0.1, 0.1, 0.1, 0.1 });
    }();
    return data;
}

// The first `length` bytes.
inline Ref<Data> prefix(const Ref<Data>& data, std::size_t length)
{
    return Data::create(data->span().first(std::min(length, data->length())));
}

} // namespace iltest
