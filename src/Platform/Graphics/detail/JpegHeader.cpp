#include "Platform/Graphics/detail/JpegDecoder.h"

#include <algorithm>

namespace graphics::detail {

namespace {

// Bounds-checked reads of a TIFF structure inside an APP1 segment.
struct TiffView {
    std::span<const std::uint8_t> bytes;
    bool bigEndian = false;

    bool u16(std::size_t offset, std::uint16_t& value) const
    {
        if (offset > bytes.size() || bytes.size() - offset < 2)
            return false;
        value = bigEndian ? std::uint16_t(bytes[offset] << 8 | bytes[offset + 1])
                          : std::uint16_t(bytes[offset + 1] << 8 | bytes[offset]);
        return true;
    }
    bool u32(std::size_t offset, std::uint32_t& value) const
    {
        std::uint16_t high = 0;
        std::uint16_t low = 0;
        if (!u16(offset, bigEndian ? high : low) || !u16(offset + 2, bigEndian ? low : high))
            return false;
        value = std::uint32_t(high) << 16 | low;
        return true;
    }
};

// The orientation tag (0x0112) of IFD0 in an "Exif\0\0" APP1 payload; 0 when absent or not 1..8.
int exifOrientation(std::span<const std::uint8_t> payload)
{
    static constexpr std::uint8_t exif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (payload.size() < 14 || !std::equal(exif, exif + 6, payload.begin()))
        return 0;
    TiffView tiff {payload.subspan(6)};
    if (tiff.bytes[0] == 'M' && tiff.bytes[1] == 'M')
        tiff.bigEndian = true;
    else if (tiff.bytes[0] != 'I' || tiff.bytes[1] != 'I')
        return 0;
    std::uint32_t ifd = 0;
    std::uint16_t entries = 0;
    if (!tiff.u32(4, ifd) || !tiff.u16(ifd, entries))
        return 0;
    for (std::uint32_t i = 0; i < entries && i < 512; ++i) {
        std::size_t entry = std::size_t(ifd) + 2 + std::size_t(i) * 12;
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint16_t value = 0;
        if (!tiff.u16(entry, tag) || !tiff.u16(entry + 2, type))
            return 0;
        if (tag != 0x0112)
            continue;
        if (type != 3 || !tiff.u16(entry + 8, value) || value < 1 || value > 8)
            return 0;
        return value;
    }
    return 0;
}

// An APP14 segment long enough for its version, flags and transform, as libjpeg requires before it
// takes the segment for Adobe's.
bool isAdobeSegment(std::span<const std::uint8_t> payload)
{
    static constexpr std::uint8_t adobe[5] = {'A', 'd', 'o', 'b', 'e'};
    return payload.size() >= 12 && std::equal(adobe, adobe + 5, payload.begin());
}

} // namespace

// Every component's 8x8 blocks at its sampling, 64 coefficients of two bytes each; the frame
// header's payload holds the component count at 5 and three bytes a component after it.
static std::uint64_t coefficientBytes(
    std::span<const std::uint8_t> payload, std::uint64_t width, std::uint64_t height)
{
    const std::size_t components = payload.size() > 5 ? payload[5] : 0;
    if (payload.size() < 6 + components * 3)
        return 0;
    std::uint64_t maxH = 1;
    std::uint64_t maxV = 1;
    for (std::size_t i = 0; i < components; ++i) {
        maxH = std::max<std::uint64_t>(maxH, payload[7 + i * 3] >> 4);
        maxV = std::max<std::uint64_t>(maxV, payload[7 + i * 3] & 0x0f);
    }
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < components; ++i) {
        const std::uint64_t h = payload[7 + i * 3] >> 4;
        const std::uint64_t v = payload[7 + i * 3] & 0x0f;
        const std::uint64_t columns = ((width * h + maxH - 1) / maxH + 7) / 8;
        const std::uint64_t rows = ((height * v + maxV - 1) / maxV + 7) / 8;
        bytes += columns * rows * 128;
    }
    return bytes;
}

JpegHeader readJpegHeader(std::span<const std::uint8_t> data)
{
    JpegHeader header;
    if (data.size() < 2 || data[0] != 0xff || data[1] != 0xd8)
        return header;
    std::size_t offset = 2;
    // Walk the segments up to the first scan; fill bytes between markers are skipped.
    for (int segments = 0; segments < 1024 && offset + 4 <= data.size(); ++segments) {
        if (data[offset] != 0xff)
            return header;
        std::uint8_t marker = data[offset + 1];
        if (marker == 0xff) {
            ++offset;
            continue;
        }
        if (marker == 0xd8 || (marker >= 0xd0 && marker <= 0xd7) || marker == 0x01) {
            offset += 2;
            continue;
        }
        if (marker == 0xda)
            header.scanStart = offset;
        if (marker == 0xd9 || marker == 0xda)
            return header;
        std::size_t length = std::size_t(data[offset + 2]) << 8 | data[offset + 3];
        if (length < 2 || data.size() - offset - 2 < length)
            return header;
        auto payload = data.subspan(offset + 4, length - 2);
        bool frame = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame && payload.size() >= 5 && !header.sizeKnown) {
            header.height = std::uint32_t(payload[1]) << 8 | payload[2];
            header.width = std::uint32_t(payload[3]) << 8 | payload[4];
            header.sizeKnown = true;
            if (marker == 0xc2 || marker == 0xc6 || marker == 0xca || marker == 0xce)
                header.coefficientBytes = coefficientBytes(payload, header.width, header.height);
        } else if (marker == 0xe1 && header.orientation == 0) {
            header.orientation = exifOrientation(payload);
        } else if (marker == 0xee && isAdobeSegment(payload)) {
            header.adobe = true;
        }
        offset += 2 + length;
    }
    return header;
}

bool jpegHasEnd(std::span<const std::uint8_t> data, const JpegHeader& header)
{
    if (header.scanStart == 0)
        return false;
    // Searched from the end, where the marker of a whole file is (trailing bytes aside).
    for (std::size_t i = data.size(); i >= header.scanStart + 2; --i)
        if (data[i - 2] == 0xff && data[i - 1] == 0xd9)
            return true;
    return false;
}

} // namespace graphics::detail
