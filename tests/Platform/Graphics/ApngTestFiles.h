#pragma once

#include "Platform/Graphics/ImageTestSupport.h"

#include "Platform/Graphics/detail/PngChunks.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <vector>

namespace graphicstest {

struct ApngFrame {
    QImage pixels; // Format_ARGB32, so every frame is an RGBA PNG
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint8_t dispose = 0; // 0 none, 1 background, 2 previous
    std::uint8_t blend = 0;   // 0 source, 1 over
    std::uint16_t delayNumerator = 1;
    std::uint16_t delayDenominator = 10;
};

inline QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

inline std::vector<std::uint8_t> idatOf(const QImage& image)
{
    namespace png = graphics::detail::png;
    auto file = qtEncoded(image.convertToFormat(QImage::Format_ARGB32), "png");
    std::vector<std::uint8_t> data;
    png::Chunk chunk;
    for (std::size_t offset = 8; png::readChunk(file->span(), offset, chunk); offset = chunk.end())
        if (chunk.type == png::tag("IDAT"))
            data.insert(data.end(), file->bytes() + chunk.dataOffset, file->bytes() + chunk.dataOffset + chunk.length);
    return data;
}

// How an APNG departs from the plain order IHDR, acTL, then fcTL and data per frame. The first two
// break the animation; the format allows the third.
enum class ApngFault { None, SequenceOutOfOrder, DataBeforeControl, FrameControlBeforeAnimationControl };

struct ApngLayout {
    ApngFault fault = ApngFault::None;
    std::optional<std::uint32_t> declaredFrames; // acTL's frame count, when not the real one
    bool animationControlTwice = false;
};

// An APNG put together chunk by chunk from Qt-written frames; the first frame is the default image.
inline foundation::Ref<foundation::Data> apngFile(
    int width, int height, const std::vector<ApngFrame>& frames, unsigned loops = 0, ApngLayout layout = {})
{
    namespace png = graphics::detail::png;
    std::vector<std::uint8_t> file(png::signature, png::signature + 8);
    std::vector<std::uint8_t> header;
    png::appendU32(header, std::uint32_t(width));
    png::appendU32(header, std::uint32_t(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    png::appendChunk(file, png::tag("IHDR"), header);
    std::vector<std::uint8_t> animation;
    png::appendU32(animation, layout.declaredFrames.value_or(std::uint32_t(frames.size())));
    png::appendU32(animation, loops);
    auto appendAnimationControl = [&] {
        png::appendChunk(file, png::tag("acTL"), animation);
        if (layout.animationControlTwice)
            png::appendChunk(file, png::tag("acTL"), animation);
    };
    std::uint32_t sequence = 0;
    auto sequenceNumber = [&] {
        std::uint32_t n = sequence++;
        if (layout.fault == ApngFault::SequenceOutOfOrder && n == 2)
            return 3u;
        if (layout.fault == ApngFault::SequenceOutOfOrder && n == 3)
            return 2u;
        return n;
    };
    if (layout.fault == ApngFault::None || layout.fault == ApngFault::SequenceOutOfOrder)
        appendAnimationControl();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const ApngFrame& frame = frames[i];
        std::vector<std::uint8_t> control;
        png::appendU32(control, sequenceNumber());
        png::appendU32(control, std::uint32_t(frame.pixels.width()));
        png::appendU32(control, std::uint32_t(frame.pixels.height()));
        png::appendU32(control, frame.x);
        png::appendU32(control, frame.y);
        png::appendU16(control, frame.delayNumerator);
        png::appendU16(control, frame.delayDenominator);
        control.push_back(frame.dispose);
        control.push_back(frame.blend);
        png::appendChunk(file, png::tag("fcTL"), control);
        auto data = idatOf(frame.pixels);
        if (i == 0) {
            if (layout.fault == ApngFault::FrameControlBeforeAnimationControl)
                appendAnimationControl();
            png::appendChunk(file, png::tag("IDAT"), data);
            if (layout.fault == ApngFault::DataBeforeControl)
                appendAnimationControl();
        } else {
            std::vector<std::uint8_t> number;
            png::appendU32(number, sequenceNumber());
            png::appendChunk(file, png::tag("fdAT"), data, number);
        }
    }
    png::appendChunk(file, png::tag("IEND"), {});
    return foundation::Data::create(std::move(file));
}

} // namespace graphicstest
