#pragma once

#include "Platform/Foundation/Data.h"

#include <QImage>
#include <QRect>
#include <gif_lib.h>

#include <optional>
#include <vector>

namespace graphicstest {

// GIF files written with giflib's EGif, frame by frame as a test describes them.
struct GifTestFrame {
    QRect rect;
    std::vector<QRgb> palette; // at most 256 colours
    std::vector<std::uint8_t> indices; // rect.width() * rect.height()
    int disposal = 1;                  // 0 unspecified, 1 keep, 2 background, 3 previous
    int transparent = -1;
    int delay = 10; // hundredths of a second; -1 writes no control extension
};

namespace gifdetail {
inline int append(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}
} // namespace gifdetail

inline foundation::Ref<foundation::Data> gifFile(
    int width, int height, const std::vector<GifTestFrame>& frames, std::optional<unsigned> loopCount = std::nullopt)
{
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, gifdetail::append, &error);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, nullptr);
    if (loopCount) {
        GifByteType loop[3] = {1, GifByteType(*loopCount & 0xff), GifByteType(*loopCount >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    for (const GifTestFrame& frame : frames) {
        if (frame.delay >= 0) {
            GraphicsControlBlock control {};
            control.DisposalMode = frame.disposal;
            control.DelayTime = frame.delay;
            control.TransparentColor = frame.transparent;
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        int entries = 2;
        while (entries < int(frame.palette.size()))
            entries *= 2;
        std::vector<GifColorType> colours(std::size_t(entries), GifColorType {0, 0, 0});
        for (std::size_t i = 0; i < frame.palette.size(); ++i)
            colours[i] = {GifByteType(qRed(frame.palette[i])), GifByteType(qGreen(frame.palette[i])),
                GifByteType(qBlue(frame.palette[i]))};
        ColorMapObject* map = GifMakeMapObject(entries, colours.data());
        EGifPutImageDesc(gif, frame.rect.x(), frame.rect.y(), frame.rect.width(), frame.rect.height(), false, map);
        for (int y = 0; y < frame.rect.height(); ++y)
            EGifPutLine(gif, const_cast<GifByteType*>(frame.indices.data() + std::size_t(y * frame.rect.width())),
                frame.rect.width());
        GifFreeMapObject(map);
    }
    EGifCloseFile(gif, &error);
    return foundation::Data::create(std::move(out));
}

// One frame of a single colour index over its rectangle.
inline GifTestFrame solidGifFrame(QRect rect, std::vector<QRgb> palette, std::uint8_t index, int disposal = 1)
{
    GifTestFrame frame;
    frame.rect = rect;
    frame.palette = std::move(palette);
    frame.indices.assign(std::size_t(rect.width() * rect.height()), index);
    frame.disposal = disposal;
    return frame;
}

// A still picture as a GIF with its own (at most 256-colour) palette.
inline foundation::Ref<foundation::Data> gifOfPicture(const QImage& picture)
{
    QImage indexed = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    GifTestFrame frame;
    frame.rect = indexed.rect();
    for (QRgb colour : indexed.colorTable())
        frame.palette.push_back(colour);
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            frame.indices.push_back(std::uint8_t(indexed.pixelIndex(x, y)));
    frame.delay = -1;
    return gifFile(indexed.width(), indexed.height(), {frame});
}

} // namespace graphicstest
