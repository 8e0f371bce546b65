#include "Platform/Graphics/detail/GifDecoder.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/detail/RowScaler.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <new>
#include <optional>
#include <span>
#include <vector>

namespace graphics::detail {

namespace {

using foundation::Data;
using foundation::Dictionary;
using foundation::Ref;

struct GifFrame {
    std::size_t descriptor = 0; // offset of the 0x2C byte
    std::size_t end = 0;        // offset after the frame's last sub-block
    bool complete = false;
    int left = 0, top = 0, width = 0, height = 0;
    bool hasControl = false;
    double delay = 0;
    int disposal = 0;
    int transparent = -1;
};

struct GifLayout {
    bool invalid = false;
    bool headerRead = false;
    int width = 0;
    int height = 0;
    std::size_t headerEnd = 0; // after the global colour table
    bool ended = false;        // the trailer (0x3B) was reached
    std::optional<unsigned> loopCount;
    std::vector<GifFrame> frames;
};

// Skips a chain of sub-blocks starting at `offset`; false when the data ends first.
bool skipSubBlocks(std::span<const std::uint8_t> d, std::size_t& offset)
{
    while (offset < d.size()) {
        std::uint8_t length = d[offset];
        if (length == 0) {
            ++offset;
            return true;
        }
        offset += 1 + std::size_t(length);
    }
    return false;
}

GifLayout walk(std::span<const std::uint8_t> d)
{
    GifLayout layout;
    if (d.size() < 13)
        return layout;
    if (std::memcmp(d.data(), "GIF87a", 6) != 0 && std::memcmp(d.data(), "GIF89a", 6) != 0) {
        layout.invalid = true;
        return layout;
    }
    layout.width = d[6] | d[7] << 8;
    layout.height = d[8] | d[9] << 8;
    std::size_t offset = 13;
    if (d[10] & 0x80)
        offset += 3 * (std::size_t(1) << ((d[10] & 7) + 1));
    if (offset > d.size())
        return layout;
    layout.headerRead = true;
    layout.headerEnd = offset;
    GifFrame pending; // control values for the next frame
    while (offset < d.size()) {
        std::uint8_t introducer = d[offset];
        if (introducer == 0x3b) {
            layout.ended = true;
            break;
        }
        if (introducer == 0x21) {
            if (offset + 2 > d.size())
                break;
            std::uint8_t label = d[offset + 1];
            std::size_t block = offset + 2;
            if (label == 0xf9 && block + 5 < d.size() && d[block] == 4) {
                pending.hasControl = true;
                pending.disposal = (d[block + 1] >> 2) & 7;
                pending.delay = (d[block + 2] | d[block + 3] << 8) / 100.0;
                pending.transparent = (d[block + 1] & 1) ? d[block + 4] : -1;
            } else if (label == 0xff && block + 16 < d.size() && d[block] == 11
                && std::memcmp(d.data() + block + 1, "NETSCAPE2.0", 11) == 0 && d[block + 12] >= 3
                && d[block + 13] == 1 && !layout.loopCount) {
                layout.loopCount = unsigned(d[block + 14] | d[block + 15] << 8);
            }
            offset = block;
            if (!skipSubBlocks(d, offset))
                break;
            continue;
        }
        if (introducer != 0x2c) {
            layout.invalid = layout.frames.empty();
            break;
        }
        if (offset + 10 > d.size())
            break;
        GifFrame frame = pending;
        pending = GifFrame();
        frame.descriptor = offset;
        frame.left = d[offset + 1] | d[offset + 2] << 8;
        frame.top = d[offset + 3] | d[offset + 4] << 8;
        frame.width = d[offset + 5] | d[offset + 6] << 8;
        frame.height = d[offset + 7] | d[offset + 8] << 8;
        std::uint8_t flags = d[offset + 9];
        offset += 10;
        if (flags & 0x80)
            offset += 3 * (std::size_t(1) << ((flags & 7) + 1));
        offset += 1; // LZW minimum code size
        frame.complete = offset <= d.size() && skipSubBlocks(d, offset);
        frame.end = std::min(offset, d.size());
        layout.frames.push_back(frame);
        if (!frame.complete)
            break;
    }
    if (layout.width == 0 || layout.height == 0) {
        // Some writers leave the screen size 0: the first frame gives it.
        if (!layout.frames.empty()) {
            layout.width = layout.frames[0].left + layout.frames[0].width;
            layout.height = layout.frames[0].top + layout.frames[0].height;
        }
    }
    return layout;
}

// giflib reads the file's header, then the one frame's blocks, then the trailer.
struct FrameReader {
    std::span<const std::uint8_t> header;
    std::span<const std::uint8_t> frame;
    std::size_t position = 0;
};

int readBytes(GifFileType* gif, GifByteType* out, int wanted)
{
    auto* reader = static_cast<FrameReader*>(gif->UserData);
    static const GifByteType trailer[] = {0x3b};
    const std::span<const std::uint8_t> parts[] = {reader->header, reader->frame, trailer};
    std::size_t skip = reader->position;
    std::size_t copied = 0;
    std::size_t room = wanted > 0 ? std::size_t(wanted) : 0;
    for (std::span<const std::uint8_t> part : parts) {
        if (skip >= part.size()) {
            skip -= part.size();
            continue;
        }
        std::size_t count = std::min(part.size() - skip, room - copied);
        std::memcpy(out + copied, part.data() + skip, count);
        copied += count;
        skip = 0;
        if (copied == room)
            break;
    }
    reader->position += copied;
    return int(copied);
}

// The frame's pixels, or null when not one row decodes. Rows the data does not reach are
// transparent. A valid `size` smaller than the frame gives it shrunk to that size: rows are shrunk
// as they are decoded (an interlaced frame keeps its palette indices until all rows are in), so
// its pixels are never held at full size.
QImage decodeFrame(
    std::span<const std::uint8_t> data, const GifLayout& layout, const GifFrame& frame, QSize size = {})
{
    const bool shrinking = size.isValid() && !size.isEmpty() && size != QSize(frame.width, frame.height);
    const bool byRows = shrinking && size.width() <= frame.width && size.height() <= frame.height;
    if (!imageLimits::allows(frame.width, frame.height))
        return {};
    QImage image; // the frame at full size, when it is not shrunk row by row
    std::optional<RowScaler> scaler;
    if (byRows) {
        QImage target = allocateFrame(size.width(), size.height(), true);
        if (target.isNull())
            return {};
        scaler.emplace(frame.width, frame.height, std::move(target));
    } else {
        image = allocateFrameForOverwrite(frame.width, frame.height, true);
        if (image.isNull())
            return {};
    }
    FrameReader reader {data.first(layout.headerEnd), data.subspan(frame.descriptor, frame.end - frame.descriptor)};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readBytes, &error);
    if (!gif)
        return {};
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    std::vector<int> rows; // in the order the data holds them
    std::size_t rowsRead = 0;
    std::uint32_t palette[256] = {};
    bool interlaced = false;
    std::vector<GifByteType> indices; // an interlaced frame's rows while it shrinks
    std::vector<std::uint32_t> pixels(std::size_t(frame.width));
    if (DGifGetRecordType(gif, &type) == GIF_OK && type == IMAGE_DESC_RECORD_TYPE && DGifGetImageDesc(gif) == GIF_OK
        && gif->Image.Width == frame.width && gif->Image.Height == frame.height) {
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        for (int i = 0; map && i < map->ColorCount && i < 256; ++i)
            palette[i] = 0xff000000u | std::uint32_t(map->Colors[i].Red) << 16
                | std::uint32_t(map->Colors[i].Green) << 8 | map->Colors[i].Blue;
        if (frame.transparent >= 0)
            palette[frame.transparent] = 0;
        interlaced = gif->Image.Interlace;
        if (interlaced) {
            for (auto [start, step] : {std::pair {0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < frame.height; y += step)
                    rows.push_back(y);
        } else {
            for (int y = 0; y < frame.height; ++y)
                rows.push_back(y);
        }
        if (scaler && interlaced) {
            try {
                indices.assign(std::size_t(frame.width) * std::size_t(frame.height), 0);
            } catch (const std::bad_alloc&) {
                rows.clear();
            }
        }
        std::vector<GifByteType> line(std::size_t(frame.width));
        for (; rowsRead < rows.size(); ++rowsRead) {
            GifByteType* into = indices.empty()
                ? line.data()
                : indices.data() + std::size_t(rows[rowsRead]) * std::size_t(frame.width);
            if (DGifGetLine(gif, into, frame.width) != GIF_OK)
                break;
            if (!indices.empty())
                continue;
            auto* target
                = scaler ? pixels.data() : reinterpret_cast<std::uint32_t*>(image.scanLine(rows[rowsRead]));
            for (int x = 0; x < frame.width; ++x)
                target[x] = palette[line[std::size_t(x)]];
            if (scaler)
                scaler->addRow(rows[rowsRead], pixels.data());
        }
    }
    DGifCloseFile(gif, &error);
    if (rowsRead == 0)
        return {};
    if (scaler && !indices.empty()) {
        // Rows the data did not reach stay transparent.
        std::vector<bool> read(std::size_t(frame.height), false);
        for (std::size_t i = 0; i < rowsRead; ++i)
            read[std::size_t(rows[i])] = true;
        for (int y = 0; y < frame.height; ++y) {
            const GifByteType* row = indices.data() + std::size_t(y) * std::size_t(frame.width);
            for (int x = 0; x < frame.width; ++x)
                pixels[std::size_t(x)] = read[std::size_t(y)] ? palette[row[x]] : 0u;
            scaler->addRow(y, pixels.data());
        }
    }
    if (scaler)
        return scaler->finish();
    for (std::size_t i = rowsRead; i < rows.size(); ++i) {
        auto* target = reinterpret_cast<std::uint32_t*>(image.scanLine(rows[i]));
        std::fill(target, target + frame.width, 0u);
    }
    if (shrinking)
        return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

class GifDecoder final : public FrameDecoder {
public:
    void update(const Ref<Data>& data, bool final) override
    {
        data_ = data;
        final_ = final;
        layout_ = walk(data_->span());
        composer_.reset(layout_.width, layout_.height);
    }

    // A file ends with its trailer. Without it, data that stops right after a frame's last
    // sub-block holds every row of its frames and is taken as whole (some writers leave the
    // trailer out); data that stops anywhere else was cut.
    ImageSourceStatus status() const override
    {
        const bool endsAfterAFrame = !layout_.frames.empty() && layout_.frames.back().complete
            && layout_.frames.back().end == data_->length();
        return readingStatus(layout_.invalid, layout_.headerRead, final_, !layout_.ended && !endsAfterAFrame);
    }

    // Complete frames; a frame still arriving counts when it is the first or the data is final.
    std::size_t count() const override
    {
        std::size_t frames = 0;
        for (const GifFrame& frame : layout_.frames)
            if (frame.complete || frames == 0 || final_)
                ++frames;
        return frames;
    }

    Ref<Dictionary> properties() const override
    {
        if (layout_.loopCount)
            return loopProperties(imageProperty::gifDictionary, *layout_.loopCount);
        return Dictionary::create({{foundation::Id(imageProperty::gifDictionary), foundation::Id(Dictionary::create())}});
    }

    Ref<Dictionary> propertiesAtIndex(std::size_t index) const override
    {
        if (index >= count())
            return nullptr;
        const GifFrame& frame = layout_.frames[index];
        FrameInfo info;
        info.width = layout_.width;
        info.height = layout_.height;
        info.alpha = true;
        info.formatKey = imageProperty::gifDictionary;
        info.hasDelay = frame.hasControl;
        info.delay = frame.delay;
        return frameProperties(info);
    }

    QImage imageAtIndex(std::size_t index) override { return frameAt(index, {}); }

    QImage scaledImageAtIndex(std::size_t index, QSize size) override
    {
        const QSize wanted = size.boundedTo(QSize(layout_.width, layout_.height));
        if (!size.isValid() || size.isEmpty() || wanted == QSize(layout_.width, layout_.height))
            return frameAt(index, {});
        return frameAt(index, wanted);
    }

    std::size_t cachedBytes() const override { return composer_.cachedBytes(); }

private:
    // Frame `index` at its stored size (`size` invalid) or shrunk to `size`.
    QImage frameAt(std::size_t index, QSize size)
    {
        if (index >= count())
            return {};
        const GifFrame& first = layout_.frames.front();
        if (layout_.frames.size() == 1 && first.left == 0 && first.top == 0 && first.width == layout_.width
            && first.height == layout_.height)
            return decodeFrame(data_->span(), layout_, first, size); // a still that fills its screen
        const auto place = [this](std::size_t i) {
            const GifFrame& frame = layout_.frames[i];
            FrameComposer::Placement placement;
            placement.rect = QRect(frame.left, frame.top, frame.width, frame.height);
            placement.dispose = frame.disposal == 2 ? Dispose::Background
                : frame.disposal == 3               ? Dispose::Previous
                                                    : Dispose::None;
            placement.blend = Blend::Over;
            return placement;
        };
        const auto decode = [this](std::size_t i, QSize at) {
            return decodeFrame(data_->span(), layout_, layout_.frames[i], at);
        };
        if (!size.isValid())
            return composer_.compose(index, place, decode);
        return composer_.composeScaled(index, size, place, decode);
    }

    Ref<Data> data_;
    bool final_ = false;
    GifLayout layout_;
    FrameComposer composer_;
};

} // namespace

std::unique_ptr<FrameDecoder> makeGifDecoder()
{
    return std::make_unique<GifDecoder>();
}

} // namespace graphics::detail
