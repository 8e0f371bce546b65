#pragma once

#include "Platform/Foundation/Data.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <png.h>
#include <string>
#include <vector>

namespace graphicstest {

// A PNG of any size written row by row, so that a picture of 64 megapixels costs the test a row of
// memory, not the whole frame: `pixel(x, y)` gives 0xRRGGBB (RGB, `interlaced` as Adam7).
inline foundation::Ref<foundation::Data> largePng(
    int width, int height, const std::function<std::uint32_t(int x, int y)>& pixel, bool interlaced = false)
{
    std::vector<std::uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return nullptr;
    }
    png_set_write_fn(
        png, &bytes,
        [](png_structp writer, png_bytep data, png_size_t length) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(writer));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
        interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint32_t rgb = pixel(x, y);
                row[std::size_t(x) * 3] = std::uint8_t(rgb >> 16);
                row[std::size_t(x) * 3 + 1] = std::uint8_t(rgb >> 8);
                row[std::size_t(x) * 3 + 2] = std::uint8_t(rgb);
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return foundation::Data::create(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Red on the left half, blue on the right.
inline std::uint32_t redThenBlue(int x, int width)
{
    return x < width / 2 ? 0xff0000u : 0x0000ffu;
}

// The resident size, and its peak since the last reset, in bytes (Linux /proc).
struct ResidentSize {
    static void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }
    static std::int64_t read(const std::string& field)
    {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind(field + ":", 0) == 0)
                return std::strtoll(line.c_str() + field.size() + 1, nullptr, 10) * 1024;
        return -1;
    }
    static std::int64_t now() { return read("VmRSS"); }
    static std::int64_t peak() { return read("VmHWM"); }
};

} // namespace graphicstest
