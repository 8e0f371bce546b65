#include "Platform/Graphics/detail/Encoders.h"
#include "Platform/Graphics/detail/PngChunks.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <new>

// libpng reports errors by longjmp: the frame that calls setjmp (runWriter) and the callbacks hold no
// object with a destructor, and the output vector lives in the caller.

namespace graphics::detail {

namespace {

[[noreturn]] void onWriteError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void onWriteWarning(png_structp, png_const_charp) { }

bool appendBytes(std::vector<std::uint8_t>& out, png_bytep data, png_size_t length)
{
    try {
        out.insert(out.end(), data, data + length);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void onWrite(png_structp png, png_bytep data, png_size_t length)
{
    if (!appendBytes(*static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png)), data, length))
        png_error(png, "out of memory");
}

void onFlush(png_structp) { }

bool runWriter(png_structp png, png_infop info, const QImage& pixels, png_bytepp rows, bool alpha)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(pixels.width()), png_uint_32(pixels.height()), 8,
        alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// One PNG of `pixels` (straight BGRA or BGRX rows), with alpha when `alpha`.
EncodedBytes encodePng(const QImage& pixels, bool alpha)
{
    std::vector<std::uint8_t> out;
    std::vector<png_bytep> rows(std::size_t(pixels.height()));
    for (int y = 0; y < pixels.height(); ++y)
        rows[std::size_t(y)] = const_cast<png_bytep>(pixels.constScanLine(y));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onWriteError, onWriteWarning);
    if (!png)
        return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return std::nullopt;
    }
    png_set_write_fn(png, &out, onWrite, onFlush);
    bool written = runWriter(png, info, pixels, rows.data(), alpha);
    png_destroy_write_struct(&png, &info);
    if (!written)
        return std::nullopt;
    return out;
}

} // namespace

QImage straightPixels(const QImage& image)
{
    return image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                   : image.convertToFormat(QImage::Format_RGB32);
}

EncodedBytes writePng(const ImageDestination::Frame& frame)
{
    QImage pixels = straightPixels(frame.image);
    return encodePng(pixels, pixels.hasAlphaChannel());
}

// Every frame covers the canvas of the first: each is written as a PNG of its own, whose IDAT
// chunks become the first frame's IDAT and the other frames' fdAT chunks.
EncodedBytes writeApng(const std::vector<ImageDestination::Frame>& frames, unsigned loopCount)
{
    const QSize canvas = frames.front().image.size();
    bool alpha = std::any_of(frames.begin(), frames.end(), [](const auto& f) { return f.image.hasAlphaChannel(); });
    std::vector<std::uint8_t> out(png::signature, png::signature + 8);
    std::uint32_t sequence = 0;
    for (std::size_t index = 0; index < frames.size(); ++index) {
        QImage pixels = frames[index].image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (pixels.size() != canvas)
            pixels = pixels.copy(QRect(QPoint(0, 0), canvas));
        EncodedBytes encoded = encodePng(pixels, alpha);
        if (!encoded)
            return std::nullopt;
        std::span<const std::uint8_t> file(*encoded);
        png::Chunk chunk;
        if (index == 0 && png::readChunk(file, 8, chunk) && chunk.type == png::tag("IHDR")) {
            png::appendChunk(out, chunk.type, file.subspan(chunk.dataOffset, chunk.length));
            std::vector<std::uint8_t> animation;
            png::appendU32(animation, std::uint32_t(frames.size()));
            png::appendU32(animation, loopCount);
            png::appendChunk(out, png::tag("acTL"), animation);
        }
        // The frame control chunk comes before the frame's first data chunk.
        std::vector<std::uint8_t> control;
        png::appendU32(control, sequence++);
        png::appendU32(control, std::uint32_t(canvas.width()));
        png::appendU32(control, std::uint32_t(canvas.height()));
        png::appendU32(control, 0);
        png::appendU32(control, 0);
        double delay = std::max(0.0, frames[index].delay);
        std::uint16_t denominator = delay * 1000 <= 65535 ? 1000 : 100;
        png::appendU16(control, std::uint16_t(std::min(65535.0, std::round(delay * denominator))));
        png::appendU16(control, denominator);
        control.push_back(0); // dispose: none
        control.push_back(0); // blend: source
        png::appendChunk(out, png::tag("fcTL"), control);
        for (std::size_t offset = 8; png::readChunk(file, offset, chunk); offset = chunk.end()) {
            if (chunk.type != png::tag("IDAT"))
                continue;
            auto data = file.subspan(chunk.dataOffset, chunk.length);
            if (index == 0) {
                png::appendChunk(out, chunk.type, data);
            } else {
                std::vector<std::uint8_t> number;
                png::appendU32(number, sequence++);
                png::appendChunk(out, png::tag("fdAT"), data, number);
            }
        }
    }
    png::appendChunk(out, png::tag("IEND"), {});
    return out;
}

} // namespace graphics::detail
