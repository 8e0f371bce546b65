#include "Platform/Graphics/detail/BmpLayout.h"

#include <algorithm>

namespace graphics::detail {

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::uint32_t coreHeaderSize = 12;
constexpr std::uint32_t infoHeaderSize = 40;

// The compression field of the info headers.
namespace bmpCompression {
constexpr std::uint32_t rgb = 0;
constexpr std::uint32_t rle8 = 1;
constexpr std::uint32_t rle4 = 2;
constexpr std::uint32_t bitFields = 3;
constexpr std::uint32_t alphaBitFields = 6;
} // namespace bmpCompression

std::uint16_t le16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16
        | std::uint32_t(p[3]) << 24;
}

// The info header and its versions with masks (52, 56 bytes) and colour spaces (108, 124 bytes).
// 64 is left out: it is OS/2's, whose compression values mean other codings.
bool isInfoHeader(std::uint32_t size)
{
    return size == infoHeaderSize || size == 52 || size == 56 || size == 108 || size == 124;
}

bool setCoding(BmpLayout& layout, std::uint32_t compression, bool core)
{
    int bits = layout.bitsPerPixel;
    switch (compression) {
    case bmpCompression::rgb:
        if (core)
            return bits == 1 || bits == 4 || bits == 8 || bits == 24;
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case bmpCompression::rle8:
        layout.coding = BmpLayout::Coding::Rle8;
        return bits == 8;
    case bmpCompression::rle4:
        layout.coding = BmpLayout::Coding::Rle4;
        return bits == 4;
    case bmpCompression::bitFields:
    case bmpCompression::alphaBitFields:
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

// The masks of an image of 16 or more bits. Uncompressed ones have fixed masks, 5-5-5 or 8-8-8;
// at 32 bits a header that has an alpha mask lends it (as images written so have always shown).
// Bit fields come in the header from 52 bytes on, else after it.
bool readFields(BmpLayout& layout, std::uint32_t compression, std::span<const std::uint8_t> file,
    std::uint32_t headerSize, std::size_t& masksAfterHeader)
{
    const std::uint8_t* header = file.data() + fileHeaderSize;
    std::uint32_t headerAlpha = headerSize >= 56 ? le32(header + 52) : 0;
    if (compression == bmpCompression::rgb) {
        if (layout.bitsPerPixel == 16)
            layout.masks = {0x7c00, 0x3e0, 0x1f, 0};
        else
            layout.masks = {0xff0000, 0xff00, 0xff, layout.bitsPerPixel == 32 ? headerAlpha : 0};
        return true;
    }
    if (headerSize > infoHeaderSize) {
        layout.masks = {le32(header + 40), le32(header + 44), le32(header + 48), headerAlpha};
        return true;
    }
    masksAfterHeader = compression == bmpCompression::alphaBitFields ? 16 : 12;
    if (file.size() - fileHeaderSize - headerSize < masksAfterHeader)
        return false;
    const std::uint8_t* masks = header + headerSize;
    layout.masks = {le32(masks), le32(masks + 4), le32(masks + 8),
        compression == bmpCompression::alphaBitFields ? le32(masks + 12) : 0};
    return true;
}

// A mask reaching past a 16-bit pixel reads the bits it has; an alpha mask wholly outside one
// leaves the image opaque rather than invisible.
bool readMasks(BmpLayout& layout, std::uint32_t compression, std::span<const std::uint8_t> file,
    std::uint32_t headerSize, std::size_t& masksAfterHeader)
{
    if (!readFields(layout, compression, file, headerSize, masksAfterHeader))
        return false;
    if (layout.bitsPerPixel == 16) {
        for (std::uint32_t& mask : layout.masks)
            mask &= 0xffff;
    }
    return true;
}

// Reads the palette at `start`: at most as many colours as the bit depth indexes, as the header
// counts (0: all) and as fit before the pixels. Returns where the palette ends; 0 when the data
// ends inside it.
std::size_t readPalette(BmpLayout& layout, std::span<const std::uint8_t> file, std::size_t start,
    std::uint32_t colours, std::size_t entrySize, std::size_t pixelOffset)
{
    std::size_t count = std::size_t(1) << layout.bitsPerPixel;
    if (colours != 0)
        count = std::min<std::size_t>(count, colours);
    if (pixelOffset > start)
        count = std::min(count, (pixelOffset - start) / entrySize);
    if ((file.size() - start) / entrySize < count)
        return 0;
    layout.palette.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = file.data() + start + i * entrySize;
        layout.palette[i]
            = 0xff000000u | std::uint32_t(entry[2]) << 16 | std::uint32_t(entry[1]) << 8 | entry[0];
    }
    return start + count * entrySize;
}

} // namespace

std::optional<BmpLayout> readBmpLayout(std::span<const std::uint8_t> file)
{
    if (file.size() < fileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M')
        return std::nullopt;
    const std::uint8_t* header = file.data() + fileHeaderSize;
    std::uint32_t headerSize = le32(header);
    bool core = headerSize == coreHeaderSize;
    if ((!core && !isInfoHeader(headerSize)) || file.size() - fileHeaderSize < headerSize)
        return std::nullopt;

    BmpLayout layout;
    std::uint32_t compression = bmpCompression::rgb;
    std::uint32_t colours = 0;
    if (core) {
        layout.width = le16(header + 4);
        layout.height = le16(header + 6);
        layout.bitsPerPixel = le16(header + 10);
    } else {
        auto height = std::int64_t(std::int32_t(le32(header + 8)));
        layout.width = std::int32_t(le32(header + 4));
        layout.height = height < 0 ? -height : height;
        layout.bottomUp = height > 0;
        layout.bitsPerPixel = le16(header + 14);
        compression = le32(header + 16);
        colours = le32(header + 32);
    }
    if (layout.width <= 0 || layout.height <= 0 || !setCoding(layout, compression, core))
        return std::nullopt;

    std::size_t masksAfterHeader = 0;
    if (layout.bitsPerPixel > 8 && !readMasks(layout, compression, file, headerSize, masksAfterHeader))
        return std::nullopt;
    std::size_t paletteStart = fileHeaderSize + headerSize + masksAfterHeader;
    std::size_t pixelOffset = le32(file.data() + 10);
    std::size_t paletteEnd = paletteStart;
    if (layout.bitsPerPixel <= 8) {
        paletteEnd = readPalette(layout, file, paletteStart, colours, core ? 3 : 4, pixelOffset);
        if (paletteEnd == 0)
            return std::nullopt;
    }
    // An offset into the headers is taken for one that was never filled in.
    if (pixelOffset < paletteEnd)
        pixelOffset = paletteEnd;
    if (pixelOffset >= file.size())
        return std::nullopt;
    layout.pixelOffset = pixelOffset;
    layout.alpha = layout.coding != BmpLayout::Coding::Rows || layout.masks[3] != 0;
    return layout;
}

} // namespace graphics::detail
