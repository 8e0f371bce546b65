#pragma once

#include "Platform/Graphics/detail/FrameDecoder.h"

#include <cstdint>
#include <memory>
#include <span>

namespace graphics::detail {

// JPEG: turbojpeg for whole data; libjpeg with a suspending source in buffered-image mode for data
// that arrives in parts, so a progressive file shows each scan as it completes.
std::unique_ptr<FrameDecoder> makeJpegDecoder();

// What the markers before the first scan say: frame size, the EXIF orientation (0 when none) and
// whether an Adobe segment is there, which says the file stores CMYK inverted.
struct JpegHeader {
    bool sizeKnown = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int orientation = 0;
    bool adobe = false;
    std::size_t scanStart = 0; // offset of the first scan's marker; 0 until the data reaches it
    // A progressive frame's coefficient bytes, which its decoder holds whole; 0 for other frames.
    std::uint64_t coefficientBytes = 0;
};
JpegHeader readJpegHeader(std::span<const std::uint8_t> data);
// Whether the end-of-image marker follows the first scan: entropy-coded data never holds 0xFF 0xD9,
// so one found after the scan starts is the end. Without one the file was cut, unless its scans
// hold every row (the decoder checks that for final data).
bool jpegHasEnd(std::span<const std::uint8_t> data, const JpegHeader& header);

} // namespace graphics::detail
