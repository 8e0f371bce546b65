#pragma once

#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/LargePng.h"
#include "Platform/Graphics/detail/PngChunks.h"

#include <QRect>
#include <QRgb>
#include <cstdint>
#include <gif_lib.h>
#include <utility>
#include <vector>

namespace graphicstest {

// Animations of any size written row by row (a row of memory, not a frame), each frame one colour
// over its rectangle, so an 8000 x 8000 animation costs the test a few hundred kilobytes.
struct SolidFrame {
    QRect rect;
    QRgb colour;
};

// `bottomHalfBlack` draws the lower half of each frame black, its rows stored interlaced (giflib
// takes them in the order the file holds them).
inline foundation::Ref<foundation::Data> solidGif(
    int width, int height, const std::vector<SolidFrame>& frames, bool bottomHalfBlack = false)
{
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(
        &out,
        [](GifFileType* file, const GifByteType* data, int length) {
            auto* bytes = static_cast<std::vector<std::uint8_t>*>(file->UserData);
            bytes->insert(bytes->end(), data, data + length);
            return length;
        },
        &error);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, nullptr);
    GifByteType loop[3] = { 1, 0, 0 };
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
    EGifPutExtensionBlock(gif, 3, loop);
    EGifPutExtensionTrailer(gif);
    for (const SolidFrame& frame : frames) {
        GraphicsControlBlock control {};
        control.DisposalMode = 1;
        control.DelayTime = 10;
        control.TransparentColor = -1;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        GifColorType colours[2] = { { GifByteType(qRed(frame.colour)), GifByteType(qGreen(frame.colour)),
                                        GifByteType(qBlue(frame.colour)) },
            { 0, 0, 0 } };
        ColorMapObject* map = GifMakeMapObject(2, colours);
        EGifPutImageDesc(gif, frame.rect.x(), frame.rect.y(), frame.rect.width(), frame.rect.height(),
            bottomHalfBlack, map);
        std::vector<GifByteType> top(std::size_t(frame.rect.width()), 0);
        std::vector<GifByteType> bottom(std::size_t(frame.rect.width()), bottomHalfBlack ? 1 : 0);
        std::vector<int> rows;
        if (bottomHalfBlack) {
            for (auto [start, step] : { std::pair { 0, 8 }, { 4, 8 }, { 2, 4 }, { 1, 2 } })
                for (int y = start; y < frame.rect.height(); y += step)
                    rows.push_back(y);
        } else {
            for (int y = 0; y < frame.rect.height(); ++y)
                rows.push_back(y);
        }
        for (int y : rows)
            EGifPutLine(gif, (y < frame.rect.height() / 2 ? top : bottom).data(), frame.rect.width());
        GifFreeMapObject(map);
    }
    EGifCloseFile(gif, &error);
    return foundation::Data::create(std::move(out));
}

// An APNG of opaque RGB frames; the first frame is the default image and must cover the canvas.
inline foundation::Ref<foundation::Data> solidApng(
    int width, int height, const std::vector<SolidFrame>& frames)
{
    namespace png = graphics::detail::png;
    std::vector<std::uint8_t> file(png::signature, png::signature + 8);
    std::uint32_t sequence = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const SolidFrame& frame = frames[i];
        const QRgb colour = frame.colour & 0xffffffu;
        const auto single
            = largePng(frame.rect.width(), frame.rect.height(), [colour](int, int) { return colour; });
        png::Chunk chunk;
        std::vector<std::uint8_t> data;
        for (std::size_t offset = 8; png::readChunk(single->span(), offset, chunk); offset = chunk.end()) {
            const auto bytes = single->span().subspan(chunk.dataOffset, chunk.length);
            if (i == 0 && chunk.type == png::tag("IHDR")) {
                std::vector<std::uint8_t> header;
                png::appendU32(header, std::uint32_t(width));
                png::appendU32(header, std::uint32_t(height));
                header.insert(header.end(), bytes.begin() + 8, bytes.end());
                png::appendChunk(file, png::tag("IHDR"), header);
                std::vector<std::uint8_t> animation;
                png::appendU32(animation, std::uint32_t(frames.size()));
                png::appendU32(animation, 0);
                png::appendChunk(file, png::tag("acTL"), animation);
            }
            if (chunk.type == png::tag("IDAT"))
                data.insert(data.end(), bytes.begin(), bytes.end());
        }
        std::vector<std::uint8_t> control;
        png::appendU32(control, sequence++);
        png::appendU32(control, std::uint32_t(frame.rect.width()));
        png::appendU32(control, std::uint32_t(frame.rect.height()));
        png::appendU32(control, std::uint32_t(frame.rect.x()));
        png::appendU32(control, std::uint32_t(frame.rect.y()));
        png::appendU16(control, 1);
        png::appendU16(control, 10);
        control.push_back(0); // dispose none
        control.push_back(0); // blend source
        png::appendChunk(file, png::tag("fcTL"), control);
        if (i == 0) {
            png::appendChunk(file, png::tag("IDAT"), data);
        } else {
            std::vector<std::uint8_t> frameData;
            png::appendU32(frameData, sequence++);
            frameData.insert(frameData.end(), data.begin(), data.end());
            png::appendChunk(file, png::tag("fdAT"), frameData);
        }
    }
    png::appendChunk(file, png::tag("IEND"), {});
    return foundation::Data::create(std::move(file));
}

// Four frames over a `side` x `side` canvas: red; green over the right half; blue; yellow over the
// left half. Composed: red, red | green, blue, yellow | blue.
inline std::vector<SolidFrame> fourFrames(int side)
{
    return { { QRect(0, 0, side, side), qRgb(255, 0, 0) },
        { QRect(side / 2, 0, side / 2, side), qRgb(0, 255, 0) }, { QRect(0, 0, side, side), qRgb(0, 0, 255) },
        { QRect(0, 0, side / 2, side), qRgb(255, 255, 0) } };
}

// The colours of the left and the right half of each composed frame of fourFrames().
inline const std::vector<std::pair<QRgb, QRgb>>& fourFramesHalves()
{
    static const std::vector<std::pair<QRgb, QRgb>> halves
        = { { qRgb(255, 0, 0), qRgb(255, 0, 0) }, { qRgb(255, 0, 0), qRgb(0, 255, 0) },
              { qRgb(0, 0, 255), qRgb(0, 0, 255) }, { qRgb(255, 255, 0), qRgb(0, 0, 255) } };
    return halves;
}

} // namespace graphicstest
