#include "Platform/Graphics/detail/PngDecoder.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/detail/PngChunks.h"
#include "Platform/Graphics/detail/PngReader.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

namespace graphics::detail {

namespace {

using foundation::Data;
using foundation::Dictionary;
using foundation::Ref;

struct Span {
    std::size_t offset;
    std::size_t length;
};

struct AnimationFrame {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    double delay = 0;
    Dispose dispose = Dispose::None;
    Blend blend = Blend::Source;
    std::vector<Span> data; // IDAT data, or fdAT data without its sequence number
};

// What the chunk walk has found so far. The walk resumes where it stopped when more data comes.
struct Layout {
    bool signatureChecked = false;
    bool invalid = false;
    bool headerRead = false;
    std::uint8_t header[13] = {};
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool alpha = false;
    std::vector<Span> prelude; // whole PLTE and tRNS chunks, copied into each frame's PNG
    bool sawData = false;      // an IDAT
    bool ended = false;        // IEND
    // Animation: valid while a single acTL came before the first IDAT, every sequence number was in
    // order and the fcTL chunks, once all are in, number as many as acTL says. fcTL may come before
    // acTL, so the walk collects frames whether or not acTL has been seen.
    bool sawAnimationControl = false;
    bool animated = false;
    bool broken = false;
    std::uint32_t frameLimit = 0;
    std::uint32_t loopCount = 0;
    std::uint32_t nextSequence = 0;
    bool defaultImageIsFrame = false;
    std::vector<AnimationFrame> frames;
    std::size_t offset = 8;
};

void readFrameControl(Layout& layout, const std::uint8_t* d)
{
    AnimationFrame frame;
    frame.width = png::readU32(d + 4);
    frame.height = png::readU32(d + 8);
    frame.x = png::readU32(d + 12);
    frame.y = png::readU32(d + 16);
    std::uint16_t numerator = png::readU16(d + 20);
    std::uint16_t denominator = png::readU16(d + 22);
    frame.delay = double(numerator) / double(denominator == 0 ? 100 : denominator);
    frame.dispose = d[24] == 1 ? Dispose::Background : d[24] == 2 ? Dispose::Previous : Dispose::None;
    frame.blend = d[25] == 1 ? Blend::Over : Blend::Source;
    if (frame.width == 0 || frame.height == 0 || d[24] > 2 || d[25] > 1) {
        layout.broken = true;
        return;
    }
    if (!layout.sawData) {
        // The default image is the first frame; it covers the whole canvas.
        layout.defaultImageIsFrame = true;
        frame.width = layout.width;
        frame.height = layout.height;
        frame.x = frame.y = 0;
    }
    layout.frames.push_back(std::move(frame));
}

bool inSequence(Layout& layout, const std::uint8_t* d)
{
    if (png::readU32(d) != layout.nextSequence) {
        layout.broken = true;
        return false;
    }
    ++layout.nextSequence;
    return true;
}

void walk(Layout& layout, std::span<const std::uint8_t> data)
{
    if (!layout.signatureChecked) {
        if (data.size() < 8)
            return;
        layout.signatureChecked = true;
        layout.invalid = std::memcmp(data.data(), png::signature, 8) != 0;
    }
    png::Chunk chunk;
    while (!layout.invalid && !layout.ended && png::readChunk(data, layout.offset, chunk)) {
        const std::uint8_t* d = data.data() + chunk.dataOffset;
        layout.offset = chunk.end();
        bool readingAnimation = !layout.broken;
        if (!layout.headerRead) {
            if (chunk.type != png::tag("IHDR") || chunk.length != 13) {
                layout.invalid = true;
                return;
            }
            std::memcpy(layout.header, d, 13);
            layout.width = png::readU32(d);
            layout.height = png::readU32(d + 4);
            layout.alpha = (d[9] & 4) != 0;
            layout.headerRead = true;
            continue;
        }
        switch (chunk.type) {
        case png::tag("PLTE"):
        case png::tag("tRNS"):
            if (!layout.sawData)
                layout.prelude.push_back({chunk.offset, chunk.length + std::size_t(12)});
            if (chunk.type == png::tag("tRNS"))
                layout.alpha = true;
            break;
        case png::tag("acTL"):
            if (layout.sawAnimationControl)
                layout.broken = true;
            layout.sawAnimationControl = true;
            if (!layout.sawData && chunk.length == 8) {
                layout.frameLimit = png::readU32(d);
                layout.loopCount = png::readU32(d + 4);
                layout.animated = layout.frameLimit > 0 && layout.frameLimit <= 0x7fffffffu;
            }
            break;
        case png::tag("fcTL"):
            if (readingAnimation && chunk.length == 26 && inSequence(layout, d))
                readFrameControl(layout, d);
            break;
        case png::tag("IDAT"):
            layout.sawData = true;
            if (readingAnimation && layout.defaultImageIsFrame && layout.frames.size() == 1)
                layout.frames[0].data.push_back({chunk.dataOffset, chunk.length});
            break;
        case png::tag("fdAT"):
            if (!readingAnimation || chunk.length < 4 || !inSequence(layout, d))
                break;
            if (layout.frames.empty() || (layout.defaultImageIsFrame && layout.frames.size() == 1))
                layout.broken = true; // data without a frame of its own
            else
                layout.frames.back().data.push_back({chunk.dataOffset + 4, chunk.length - std::size_t(4)});
            break;
        case png::tag("IEND"):
            layout.ended = true;
            break;
        default:
            break;
        }
    }
    if (layout.animated && (layout.frames.size() > layout.frameLimit
                               || (layout.ended && layout.frames.size() != layout.frameLimit)))
        layout.broken = true;
}

class PngDecoder final : public FrameDecoder {
public:
    void update(const Ref<Data>& data, bool final) override
    {
        data_ = data;
        final_ = final;
        walk(layout_, data_->span());
        // A partial first frame may have been composed: start again with the longer data.
        composer_.reset(int(layout_.width), int(layout_.height));
    }

    // A file ends with IEND; without it the data was cut, wherever in the chunks.
    ImageSourceStatus status() const override
    {
        return readingStatus(layout_.invalid, layout_.headerRead, final_, !layout_.ended);
    }

    std::size_t count() const override
    {
        if (!layout_.headerRead || layout_.invalid)
            return 0;
        std::size_t frames = animatedFrames();
        return frames > 0 ? frames : 1;
    }

    Ref<Dictionary> properties() const override
    {
        if (animatedFrames() == 0)
            return Dictionary::create();
        return loopProperties(imageProperty::pngDictionary, layout_.loopCount);
    }

    Ref<Dictionary> propertiesAtIndex(std::size_t index) const override
    {
        if (index >= count())
            return nullptr;
        FrameInfo info;
        info.width = layout_.width;
        info.height = layout_.height;
        info.alpha = layout_.alpha;
        if (animatedFrames() > 0) {
            info.alpha = true;
            info.formatKey = imageProperty::pngDictionary;
            info.delay = layout_.frames[index].delay;
        }
        return frameProperties(info);
    }

    QImage imageAtIndex(std::size_t index) override
    {
        if (index >= count())
            return {};
        if (animatedFrames() == 0)
            return readPng(data_->span(), final_);
        return composer_.compose(
            index, [this](std::size_t i) { return placement(i); },
            [this](std::size_t i, QSize size) { return frame(i, size); });
    }

    QImage scaledImageAtIndex(std::size_t index, QSize size) override
    {
        if (index >= count())
            return {};
        if (animatedFrames() == 0)
            return readPng(data_->span(), final_, size);
        if (!size.isValid() || size.isEmpty())
            return imageAtIndex(index);
        return composer_.composeScaled(
            index, size, [this](std::size_t i) { return placement(i); },
            [this](std::size_t i, QSize at) { return frame(i, at); });
    }

    std::size_t cachedBytes() const override { return composer_.cachedBytes(); }

private:
    // Frames of a usable animation: those whose data is all there. A broken animation, or one
    // without a frame, shows the still image.
    std::size_t animatedFrames() const
    {
        if (!layout_.animated || layout_.broken || !layout_.headerRead)
            return 0;
        std::size_t frames = 0;
        for (; frames < layout_.frames.size(); ++frames) {
            if (layout_.frames[frames].data.empty())
                break;
            bool followed = frames + 1 < layout_.frames.size() || layout_.ended || final_;
            if (!followed && frames > 0)
                break;
        }
        return frames;
    }

    FrameComposer::Placement placement(std::size_t index) const
    {
        const AnimationFrame& frame = layout_.frames[index];
        FrameComposer::Placement placement;
        std::int64_t x = frame.x;
        std::int64_t y = frame.y;
        if (x < layout_.width && y < layout_.height) {
            placement.rect = QRect(int(x), int(y), int(std::min<std::int64_t>(frame.width, layout_.width - x)),
                int(std::min<std::int64_t>(frame.height, layout_.height - y)));
        }
        placement.dispose = frame.dispose;
        if (index == 0 && placement.dispose == Dispose::Previous)
            placement.dispose = Dispose::Background;
        placement.blend = frame.blend;
        return placement;
    }

    // Frame `index` as a PNG of its own: its size in the header, the palette and transparency of the
    // file, its data as IDAT chunks with fresh CRCs; shrunk to `size` while it is read when that is
    // valid and smaller.
    QImage frame(std::size_t index, QSize size) const
    {
        std::span<const std::uint8_t> bytes = data_->span();
        if (index == 0 && layout_.defaultImageIsFrame)
            return shrunk(readPng(bytes, final_, size), size);
        const AnimationFrame& frame = layout_.frames[index];
        std::vector<std::uint8_t> file(png::signature, png::signature + 8);
        std::uint8_t header[13];
        std::memcpy(header, layout_.header, 13);
        for (int i = 0; i < 4; ++i) {
            header[i] = std::uint8_t(frame.width >> (24 - 8 * i));
            header[4 + i] = std::uint8_t(frame.height >> (24 - 8 * i));
        }
        png::appendChunk(file, png::tag("IHDR"), header);
        for (const Span& chunk : layout_.prelude)
            file.insert(file.end(), bytes.begin() + std::ptrdiff_t(chunk.offset),
                bytes.begin() + std::ptrdiff_t(chunk.offset + chunk.length));
        for (const Span& part : frame.data)
            png::appendChunk(file, png::tag("IDAT"), bytes.subspan(part.offset, part.length));
        png::appendChunk(file, png::tag("IEND"), {});
        return shrunk(readPng(file, true, size), size); // counted frames have all their data
    }

    // The reader shrinks only to sizes no larger than the frame: a frame smaller than its place on
    // the smaller canvas (rounding) is brought to that size here.
    static QImage shrunk(const QImage& frame, QSize size)
    {
        if (frame.isNull() || !size.isValid() || size.isEmpty() || frame.size() == size)
            return frame;
        return frame.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    Ref<Data> data_;
    bool final_ = false;
    Layout layout_;
    FrameComposer composer_;
};

} // namespace

std::unique_ptr<FrameDecoder> makePngDecoder()
{
    return std::make_unique<PngDecoder>();
}

} // namespace graphics::detail
