#pragma once

#include <QImage>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

namespace graphicstest {

namespace pngdetail {
inline void appendOut(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
inline void flushOut(png_structp) { }
inline bool run(png_structp png, png_infop info, png_bytepp rows, png_uint_32 w, png_uint_32 h, int colorType)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, w, h, 8, colorType, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (colorType != PNG_COLOR_TYPE_GRAY)
        png_set_bgr(png);
    if (colorType == PNG_COLOR_TYPE_RGB)
        png_set_filler(png, 0, PNG_FILLER_AFTER); // drops the fourth byte of each pixel
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}
} // namespace pngdetail

// An Adam7-interlaced PNG of `image`, written with libpng (Qt's writer cannot interlace): 8-bit
// RGBA, RGB or gray.
inline std::vector<std::uint8_t> interlacedPng(const QImage& image, int colorType = PNG_COLOR_TYPE_RGB_ALPHA)
{
    QImage straight = image.convertToFormat(
        colorType == PNG_COLOR_TYPE_GRAY ? QImage::Format_Grayscale8 : QImage::Format_ARGB32);
    std::vector<std::uint8_t> out;
    std::vector<png_bytep> rows(std::size_t(straight.height()));
    for (int y = 0; y < straight.height(); ++y)
        rows[std::size_t(y)] = straight.scanLine(y);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, pngdetail::appendOut, pngdetail::flushOut);
    bool ok = pngdetail::run(
        png, info, rows.data(), png_uint_32(straight.width()), png_uint_32(straight.height()), colorType);
    png_destroy_write_struct(&png, &info);
    return ok ? out : std::vector<std::uint8_t>();
}

} // namespace graphicstest
