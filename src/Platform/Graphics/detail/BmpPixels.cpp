#include "Platform/Graphics/detail/BmpPixels.h"

#include "Platform/Graphics/detail/FrameDecoder.h"
#include "Platform/Graphics/detail/RowScaler.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace graphics::detail {

namespace {

// Up to 256 colours; an index past the file's palette reads opaque black.
using IndexColours = std::array<std::uint32_t, 256>;

IndexColours indexColours(const BmpLayout& layout)
{
    IndexColours colours;
    colours.fill(0xff000000u);
    std::copy_n(layout.palette.begin(), std::min(layout.palette.size(), colours.size()), colours.begin());
    return colours;
}

// One channel of a masked pixel, widened to 8 bits by repeating its bits, so that a full channel of
// any width reads 255.
class MaskChannel {
public:
    explicit MaskChannel(std::uint32_t mask)
        : mask_(mask)
        , shift_(mask == 0 ? 0 : std::countr_zero(mask))
        , bits_(int(std::bit_width(mask >> shift_)))
    {
        for (std::uint32_t value = 0; bits_ <= 8 && value < (1u << bits_); ++value)
            table_[value] = widened(value, bits_);
    }

    std::uint32_t operator()(std::uint32_t pixel) const
    {
        std::uint32_t value = (pixel & mask_) >> shift_;
        return bits_ > 8 ? value >> (bits_ - 8) : table_[value];
    }

private:
    static std::uint8_t widened(std::uint32_t value, int bits)
    {
        if (bits == 0)
            return 0;
        std::uint32_t repeated = 0;
        int filled = 0;
        for (; filled < 8; filled += bits)
            repeated = repeated << bits | value;
        return std::uint8_t(repeated >> (filled - 8));
    }

    std::uint32_t mask_;
    int shift_;
    int bits_;
    std::array<std::uint8_t, 256> table_ {};
};

// Where the file's rows go. Rows are asked for in file order (a row may be asked for again while
// it is the last one asked); a row never asked for stays blank.
class BmpRows {
public:
    virtual ~BmpRows() = default;
    virtual std::uint32_t* row(std::int64_t fileRow) = 0;
};

// Straight into a frame of the layout's size.
class FrameRows final : public BmpRows {
public:
    FrameRows(QImage& frame, const BmpLayout& layout)
        : frame_(frame)
        , bottomUp_(layout.bottomUp)
    {
    }
    std::uint32_t* row(std::int64_t fileRow) override
    {
        auto y = int(bottomUp_ ? frame_.height() - 1 - fileRow : fileRow);
        return reinterpret_cast<std::uint32_t*>(frame_.scanLine(y));
    }

private:
    QImage& frame_;
    bool bottomUp_;
};

// Into a row buffer handed to a RowScaler as the next row is asked for; rows skipped go as blank
// ones, as they would stay in a whole frame.
class ScaledRows final : public BmpRows {
public:
    ScaledRows(const BmpLayout& layout, QImage target)
        : scaler_(int(layout.width), int(layout.height), std::move(target))
        , height_(layout.height)
        , bottomUp_(layout.bottomUp)
        , blank_(layout.alpha ? 0u : 0xff000000u)
        , row_(std::size_t(layout.width), blank_)
    {
    }
    std::uint32_t* row(std::int64_t fileRow) override
    {
        if (fileRow != current_) {
            passUpTo(fileRow);
            current_ = fileRow;
        }
        return row_.data();
    }
    QImage finish()
    {
        passUpTo(height_);
        return scaler_.finish();
    }

private:
    // Hands over the current row and blank rows up to `fileRow` (not included).
    void passUpTo(std::int64_t fileRow)
    {
        for (std::int64_t r = std::max<std::int64_t>(current_, 0); r < std::min(fileRow, height_); ++r) {
            scaler_.addRow(int(bottomUp_ ? height_ - 1 - r : r), row_.data());
            std::fill(row_.begin(), row_.end(), blank_);
        }
        current_ = std::max(current_, std::min(fileRow, height_));
    }

    RowScaler scaler_;
    std::int64_t height_;
    bool bottomUp_;
    std::uint32_t blank_;
    std::vector<std::uint32_t> row_;
    std::int64_t current_ = 0;
};

void readIndexedBmpRow(
    const std::uint8_t* row, int bits, const IndexColours& colours, std::uint32_t* out, int width)
{
    std::uint32_t indexMask = (1u << bits) - 1;
    for (int x = 0; x < width; ++x) {
        std::size_t bit = std::size_t(x) * std::size_t(bits);
        out[x] = colours[(row[bit / 8] >> (8 - bits - int(bit % 8))) & indexMask];
    }
}

void readMaskedBmpRow(const std::uint8_t* row, int bytesPerPixel, const std::array<MaskChannel, 4>& channels,
    bool alpha, std::uint32_t* out, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = row + std::size_t(x) * std::size_t(bytesPerPixel);
        std::uint32_t pixel = 0;
        for (int i = bytesPerPixel - 1; i >= 0; --i)
            pixel = pixel << 8 | p[i];
        std::uint32_t argb = (alpha ? channels[3](pixel) : 255u) << 24 | channels[0](pixel) << 16
            | channels[1](pixel) << 8 | channels[2](pixel);
        out[x] = alpha ? premultiplied(argb) : argb;
    }
}

std::size_t bmpRowBytes(std::int64_t width, int bits)
{
    return (std::size_t(width) * std::size_t(bits) + 7) / 8;
}

std::size_t bmpStride(std::int64_t width, int bits)
{
    return (std::size_t(width) * std::size_t(bits) + 31) / 32 * 4;
}

// Uncompressed rows, each padded to four bytes. A last row that lacks only its padding is read.
void readBmpRows(const BmpLayout& layout, std::span<const std::uint8_t> file, BmpRows& out)
{
    auto width = int(layout.width);
    int bits = layout.bitsPerPixel;
    std::size_t rowBytes = bmpRowBytes(width, bits);
    std::size_t stride = bmpStride(width, bits);
    std::size_t available = file.size() - layout.pixelOffset;
    std::size_t rows = available < rowBytes
        ? 0
        : std::min<std::size_t>(std::size_t(layout.height), (available - rowBytes) / stride + 1);
    const std::uint8_t* pixels = file.data() + layout.pixelOffset;
    if (bits <= 8) {
        IndexColours colours = indexColours(layout);
        for (std::size_t r = 0; r < rows; ++r)
            readIndexedBmpRow(pixels + r * stride, bits, colours, out.row(std::int64_t(r)), width);
        return;
    }
    std::array<MaskChannel, 4> channels { MaskChannel(layout.masks[0]), MaskChannel(layout.masks[1]),
        MaskChannel(layout.masks[2]), MaskChannel(layout.masks[3]) };
    for (std::size_t r = 0; r < rows; ++r)
        readMaskedBmpRow(
            pixels + r * stride, bits / 8, channels, layout.alpha, out.row(std::int64_t(r)), width);
}

// Run-length coded indices: (count, value) runs; after a zero count, end of line (0), end of image
// (1), a move right and up (2, then two bytes) or that many literal indices padded to two bytes.
// Runs are clipped at the right edge; a move or an end leaves the pixels it passes blank.
void readBmpRuns(const BmpLayout& layout, std::span<const std::uint8_t> file, BmpRows& rows)
{
    const bool nibbles = layout.coding == BmpLayout::Coding::Rle4;
    const std::int64_t width = layout.width;
    const std::int64_t height = layout.height;
    IndexColours colours = indexColours(layout);
    auto index = [nibbles](const std::uint8_t* bytes, std::size_t i) -> std::uint8_t {
        return nibbles ? (i % 2 ? bytes[i / 2] & 0x0f : bytes[i / 2] >> 4) : bytes[i];
    };
    std::int64_t x = 0;
    std::int64_t row = 0;
    std::size_t at = layout.pixelOffset;
    while (row < height && file.size() - at >= 2) {
        std::uint8_t count = file[at];
        std::uint8_t value = file[at + 1];
        at += 2;
        if (count > 0) {
            std::uint32_t* out = rows.row(row);
            std::uint32_t even = colours[nibbles ? value >> 4 : value];
            std::uint32_t odd = colours[nibbles ? value & 0x0f : value];
            for (std::size_t i = 0; i < count && x < width; ++i, ++x)
                out[x] = i % 2 ? odd : even;
            continue;
        }
        if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (file.size() - at < 2)
                break;
            x += file[at];
            row += file[at + 1];
            at += 2;
        } else {
            std::size_t used = nibbles ? (std::size_t(value) + 1) / 2 : value;
            if (file.size() - at < used)
                break;
            std::uint32_t* out = rows.row(row);
            for (std::size_t i = 0; i < value && x < width; ++i, ++x)
                out[x] = colours[index(file.data() + at, i)];
            at = std::min(file.size(), at + used + used % 2);
        }
    }
}

void readBmpPixels(const BmpLayout& layout, std::span<const std::uint8_t> file, BmpRows& rows)
{
    if (layout.coding == BmpLayout::Coding::Rows)
        readBmpRows(layout, file, rows);
    else
        readBmpRuns(layout, file, rows);
}

} // namespace

void readBmpPixels(const BmpLayout& layout, std::span<const std::uint8_t> file, QImage& frame)
{
    FrameRows rows(frame, layout);
    readBmpPixels(layout, file, rows);
}

QImage readBmpPixelsScaled(const BmpLayout& layout, std::span<const std::uint8_t> file, QImage target)
{
    ScaledRows rows(layout, std::move(target));
    readBmpPixels(layout, file, rows);
    return rows.finish();
}

bool bmpPixelsCut(const BmpLayout& layout, std::span<const std::uint8_t> file)
{
    if (layout.coding != BmpLayout::Coding::Rows || layout.height <= 0)
        return false;
    std::size_t needed = bmpRowBytes(layout.width, layout.bitsPerPixel)
        + std::size_t(layout.height - 1) * bmpStride(layout.width, layout.bitsPerPixel);
    return file.size() - layout.pixelOffset < needed;
}

} // namespace graphics::detail
