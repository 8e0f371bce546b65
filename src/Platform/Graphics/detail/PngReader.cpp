#include "Platform/Graphics/detail/PngReader.h"

#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/detail/FrameDecoder.h"
#include "Platform/Graphics/detail/PixelRows.h"
#include "Platform/Graphics/detail/RowScaler.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <new>
#include <optional>
#include <png.h>
#include <vector>

// libpng reports errors by longjmp. The frames it may jump over (callbacks, runReader) hold no
// object with a destructor; C++ work happens in helpers that have returned before libpng runs again.

namespace graphics::detail {

namespace {

// How the rows libpng hands over become pixels.
enum class RowFormat {
    Rgb,  // 8-bit RGB as stored: we reorder it and add the opaque alpha
    Rgba, // 8-bit RGBA as stored: we reorder and premultiply it
    Bgra, // every other kind, expanded and reordered by libpng's transformations
};

// Interlaced images are read one of two ways. Data expected whole puts each pass's pixels straight
// where they belong (scattered). Data that may end early lets libpng widen every pass to the blocky
// preview the rows so far give; a whole read that ends early is read again that way.
enum class Mode { Whole, Preview };

// Shrinks an interlaced image as its passes come: every stored pixel arrives once, in some pass, and
// is added to the target pixel covering it; each target pixel is the mean of the pixels it got
// (the whole box once all passes are in, what arrived so far of a cut file; none leaves it blank).
// Sums are 32-bit while a box cannot overflow them, which holds but for targets of a few pixels.
class PassAccumulator {
public:
    PassAccumulator(int sourceWidth, int sourceHeight, QSize target, bool alpha)
        : sourceHeight_(sourceHeight)
        , target_(target)
        , alpha_(alpha)
        , column_(std::size_t(sourceWidth))
        , counts_(std::size_t(target.width()) * std::size_t(target.height()), 0)
    {
        for (int x = 0; x < sourceWidth; ++x)
            column_[std::size_t(x)] = int(std::int64_t(x) * target.width() / sourceWidth);
        const std::int64_t box = (std::int64_t(sourceWidth) / target.width() + 1)
            * (std::int64_t(sourceHeight) / target.height() + 1);
        if (box * 255 <= std::int64_t(UINT32_MAX))
            narrow_.assign(counts_.size() * 4, 0);
        else
            wide_.assign(counts_.size() * 4, 0);
    }

    // What it holds for a target of `target` pixels.
    static std::int64_t bytesFor(QSize target)
    {
        return std::int64_t(target.width()) * target.height() * (4 * 4 + 4);
    }

    // `count` premultiplied pixels of source row `y`, the first at column `x`, then every `step`.
    void add(int y, int x, int step, const std::uint32_t* pixels, std::size_t count)
    {
        if (y < 0 || y >= sourceHeight_)
            return;
        const std::size_t rowStart
            = std::size_t(std::int64_t(y) * target_.height() / sourceHeight_) * std::size_t(target_.width());
        for (std::size_t i = 0; i < count; ++i, x += step) {
            if (x >= int(column_.size()))
                break;
            const std::size_t at = rowStart + std::size_t(column_[std::size_t(x)]);
            const std::uint32_t pixel = pixels[i];
            if (!narrow_.empty())
                addTo(&narrow_[at * 4], pixel);
            else
                addTo(&wide_[at * 4], pixel);
            ++counts_[at];
        }
    }

    QImage finish() const
    {
        QImage image = allocateFrameForOverwrite(target_.width(), target_.height(), alpha_);
        if (image.isNull())
            return {};
        const std::uint32_t blank = alpha_ ? 0u : 0xff000000u;
        for (int y = 0; y < target_.height(); ++y) {
            auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            for (int x = 0; x < target_.width(); ++x) {
                const std::size_t at = std::size_t(y) * std::size_t(target_.width()) + std::size_t(x);
                const std::uint64_t count = counts_[at];
                if (count == 0) {
                    out[x] = blank;
                    continue;
                }
                const auto sum = [&](int channel) {
                    return narrow_.empty() ? wide_[at * 4 + std::size_t(channel)]
                                           : narrow_[at * 4 + std::size_t(channel)];
                };
                const auto mean
                    = [count](std::uint64_t total) { return std::uint32_t((total + count / 2) / count); };
                out[x] = mean(sum(0)) << 24 | mean(sum(1)) << 16 | mean(sum(2)) << 8 | mean(sum(3));
            }
        }
        return image;
    }

private:
    template <class Sum> static void addTo(Sum* sum, std::uint32_t pixel)
    {
        sum[0] += pixel >> 24;
        sum[1] += (pixel >> 16) & 0xff;
        sum[2] += (pixel >> 8) & 0xff;
        sum[3] += pixel & 0xff;
    }

    int sourceHeight_;
    QSize target_;
    bool alpha_;
    std::vector<int> column_; // target column of each source column
    std::vector<std::uint32_t> counts_;
    std::vector<std::uint32_t> narrow_;
    std::vector<std::uint64_t> wide_;
};

struct PngRead {
    Mode mode = Mode::Whole;
    RowFormat format = RowFormat::Bgra;
    QImage image;
    bool alpha = false;
    bool interlaced = false;
    std::size_t rowsWanted = 0;  // rows libpng will deliver in all
    std::size_t rowsGiven = 0;   // rows it delivered
    int blankFrom = 0;           // rows from here on have not been written (not interlaced)
    std::vector<std::uint8_t> straight; // unpremultiplied rows of a preview with alpha
    QSize size; // the size wanted; invalid for the stored size
    std::optional<RowScaler> scaler; // a smaller size of a non-interlaced image: rows shrink as they come
    bool accumulating = false; // a smaller size of an interlaced image: passes shrink as they come
    std::optional<PassAccumulator> accumulator;
    std::vector<std::uint32_t> row; // the row being shrunk
};

[[noreturn]] void onError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) { }

// C++ side of the info callback; no libpng call that can fail happens here. A preview is blank
// from the start; otherwise only rows never written are blanked at the end.
bool allocate(PngRead& read, png_uint_32 width, png_uint_32 height)
{
    try {
        const QSize stored(
            int(std::min<png_uint_32>(width, INT_MAX)), int(std::min<png_uint_32>(height, INT_MAX)));
        const QSize wanted = read.size.boundedTo(stored);
        if (read.accumulating) {
            if (!imageLimits::allows(width, height))
                return false;
            read.row.assign(width, 0);
            read.accumulator.emplace(int(width), int(height), wanted, read.alpha);
            return true;
        }
        if (!read.interlaced && read.size.isValid() && wanted != stored) {
            // The whole frame is never allocated, but it must be one the limits allow.
            if (!imageLimits::allows(width, height))
                return false;
            QImage target = allocateFrame(wanted.width(), wanted.height(), read.alpha);
            if (target.isNull())
                return false;
            read.row.assign(width, 0);
            read.scaler.emplace(int(width), int(height), std::move(target));
            return true;
        }
        bool preview = read.interlaced && read.mode == Mode::Preview;
        read.image = preview ? allocateFrame(width, height, read.alpha)
                             : allocateFrameForOverwrite(width, height, read.alpha);
        if (read.image.isNull())
            return false;
        if (preview && read.alpha)
            read.straight.assign(std::size_t(width) * height * 4, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::size_t rowsToDeliver(const PngRead& read, png_uint_32 width, png_uint_32 height)
{
    if (!read.interlaced || (read.mode == Mode::Preview && !read.accumulating))
        return height;
    std::size_t rows = 0;
    for (int pass = 0; pass < 7; ++pass)
        if (PNG_PASS_COLS(width, pass) > 0)
            rows += PNG_PASS_ROWS(height, pass);
    return rows;
}

void onInfo(png_structp png, png_infop info)
{
    auto* read = static_cast<PngRead*>(png_get_progressive_ptr(png));
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    read->alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
    read->interlaced = interlace != PNG_INTERLACE_NONE;
    if (read->interlaced && read->size.isValid()) {
        // Shrinking as the passes come holds a few sums per target pixel; a target not much
        // smaller than the image is cheaper composed whole.
        const QSize stored(
            int(std::min<png_uint_32>(width, INT_MAX)), int(std::min<png_uint_32>(height, INT_MAX)));
        const QSize wanted = read->size.boundedTo(stored);
        read->accumulating = wanted != stored
            && PassAccumulator::bytesFor(wanted) < std::int64_t(stored.width()) * stored.height() * 4;
    }
    bool preview = read->interlaced && read->mode == Mode::Preview && !read->accumulating;
    // libpng's byte-at-a-time transformations cost more than the inflating; the common 8-bit RGB and
    // RGBA rows are reordered here instead. A preview needs rows libpng can widen in our pixel format.
    if (!preview && bitDepth == 8 && colorType == PNG_COLOR_TYPE_RGB && !transparency)
        read->format = RowFormat::Rgb;
    else if (!preview && bitDepth == 8 && colorType == PNG_COLOR_TYPE_RGB_ALPHA)
        read->format = RowFormat::Rgba;
    else
        read->format = RowFormat::Bgra;
    if (read->format == RowFormat::Bgra) {
        if (colorType == PNG_COLOR_TYPE_PALETTE)
            png_set_palette_to_rgb(png);
        if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        if (transparency)
            png_set_tRNS_to_alpha(png);
        if (bitDepth == 16)
            png_set_scale_16(png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        png_set_bgr(png);
        if (!read->alpha)
            png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    }
    if (preview)
        png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_size_t pixelBytes = read->format == RowFormat::Rgb ? 3 : 4;
    read->rowsWanted = rowsToDeliver(*read, width, height);
    if (png_get_rowbytes(png, info) != png_size_t(width) * pixelBytes || !allocate(*read, width, height))
        png_error(png, "frame refused");
}

// Writes `count` pixels of a row as libpng gave it to every `step`th pixel from `target`.
void storePixels(
    const PngRead& read, const std::uint8_t* row, std::size_t count, std::uint32_t* target, std::size_t step)
{
    if (step == 1 && read.format == RowFormat::Rgb) {
        rgbToRgb32(row, target, count);
        return;
    }
    if (step == 1 && read.format == RowFormat::Rgba) {
        rgbaToPremultiplied(row, target, count);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t pixel;
        switch (read.format) {
        case RowFormat::Rgb:
            pixel = rgbPixel(row + 3 * i);
            break;
        case RowFormat::Rgba:
            pixel = premultiplied(rgbaPixel(row + 4 * i));
            break;
        case RowFormat::Bgra:
            std::memcpy(&pixel, row + 4 * i, 4);
            if (read.alpha)
                pixel = premultiplied(pixel);
            break;
        }
        target[i * step] = pixel;
    }
}

void shrinkRow(PngRead& read, png_bytep row, png_uint_32 rowNumber)
{
    storePixels(read, row, read.row.size(), read.row.data(), 1);
    read.scaler->addRow(int(rowNumber), read.row.data());
}

void accumulatePassRow(PngRead& read, png_bytep row, png_uint_32 rowNumber, int pass)
{
    const std::size_t count = PNG_PASS_COLS(read.row.size(), pass);
    storePixels(read, row, count, read.row.data(), 1);
    read.accumulator->add(int(PNG_ROW_FROM_PASS_ROW(rowNumber, pass)), int(PNG_PASS_START_COL(pass)),
        1 << PNG_PASS_COL_SHIFT(pass), read.row.data(), count);
}

void onRow(png_structp png, png_bytep row, png_uint_32 rowNumber, int pass)
{
    auto* read = static_cast<PngRead*>(png_get_progressive_ptr(png));
    if (read->accumulator) {
        if (row) {
            accumulatePassRow(*read, row, rowNumber, pass);
            ++read->rowsGiven;
        }
        return;
    }
    if (read->scaler) {
        if (row) {
            shrinkRow(*read, row, rowNumber);
            ++read->rowsGiven;
        }
        return;
    }
    auto width = std::size_t(read->image.width());
    if (read->interlaced && read->mode == Mode::Whole) {
        png_uint_32 y = PNG_ROW_FROM_PASS_ROW(rowNumber, pass);
        if (!row || y >= png_uint_32(read->image.height()))
            return;
        auto* target = reinterpret_cast<std::uint32_t*>(read->image.scanLine(int(y)));
        storePixels(*read, row, PNG_PASS_COLS(width, pass), target + PNG_PASS_START_COL(pass),
            std::size_t(1) << PNG_PASS_COL_SHIFT(pass));
        ++read->rowsGiven;
        return;
    }
    if (!row || rowNumber >= png_uint_32(read->image.height()))
        return;
    auto* target = reinterpret_cast<std::uint32_t*>(read->image.scanLine(int(rowNumber)));
    if (read->interlaced) {
        // A preview: libpng widens the pass and keeps the pixels other passes left in the row.
        if (read->alpha) {
            png_bytep straight = read->straight.data() + width * 4 * rowNumber;
            png_progressive_combine_row(png, straight, row);
            std::memcpy(target, straight, width * 4);
            premultiplyRow(target, width);
        } else {
            png_progressive_combine_row(png, reinterpret_cast<png_bytep>(target), row);
        }
    } else {
        storePixels(*read, row, width, target, 1);
        read->blankFrom = int(rowNumber) + 1;
    }
    ++read->rowsGiven;
}

bool runReader(png_structp png, png_infop info, const std::uint8_t* bytes, std::size_t size)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_process_data(png, info, const_cast<png_bytep>(bytes), size);
    return true;
}

void decode(std::span<const std::uint8_t> data, PngRead& read)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png)
        return;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return;
    }
    png_set_user_limits(png, png_uint_32(imageLimits::maxSide), png_uint_32(imageLimits::maxSide));
#ifdef PNG_IGNORE_ADLER32
    // Each IDAT chunk's CRC already covers the compressed data; zlib's checksum of the inflated rows
    // adds nothing but time.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_set_progressive_read_fn(png, &read, onInfo, onRow, nullptr);
    runReader(png, info, data.data(), data.size());
    png_destroy_read_struct(&png, &info, nullptr);
}

} // namespace

QImage readPng(std::span<const std::uint8_t> data, bool whole, QSize size)
{
    PngRead result;
    result.mode = whole ? Mode::Whole : Mode::Preview;
    result.size = size.isValid() && !size.isEmpty() ? size : QSize();
    decode(data, result);
    if (result.rowsGiven == 0)
        return {};
    if (result.scaler)
        return result.scaler->finish();
    if (result.accumulator)
        return result.accumulator->finish();
    const auto fitted = [&result](QImage image) {
        // An interlaced image shown not much smaller than stored is composed whole; only the
        // smaller copy is kept.
        if (image.isNull() || !result.size.isValid()
            || (image.width() <= result.size.width() && image.height() <= result.size.height()))
            return image;
        return image.scaled(
            result.size.boundedTo(image.size()), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    if (result.interlaced && result.mode == Mode::Whole && result.rowsGiven < result.rowsWanted) {
        // A broken or short stream shows what its passes so far give, as a preview would.
        PngRead preview;
        preview.mode = Mode::Preview;
        decode(data, preview);
        return preview.rowsGiven > 0 ? fitted(preview.image) : QImage();
    }
    if (!result.interlaced)
        blankRows(result.image, result.blankFrom);
    // A broken or short stream still gives the rows decoded before it ended.
    return fitted(result.image);
}

} // namespace graphics::detail
