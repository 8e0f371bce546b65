#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Graphics/FullDecodeGate.h"
#include "Platform/Graphics/ImageSource.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace foundation {
class Data;
class Dictionary;
} // namespace foundation

namespace graphics::detail {

// One format's reader behind an ImageSource. The source calls it under its mutex only, so a decoder
// keeps state between calls without locks of its own.
class FrameDecoder {
public:
    virtual ~FrameDecoder() = default;

    // All data so far (it begins with the data given before) and whether it is complete.
    virtual void update(const foundation::Ref<foundation::Data>& data, bool final) = 0;
    virtual ImageSourceStatus status() const = 0;
    virtual std::size_t count() const = 0;
    virtual foundation::Ref<foundation::Dictionary> properties() const;
    virtual foundation::Ref<foundation::Dictionary> propertiesAtIndex(std::size_t index) const = 0;
    virtual QImage imageAtIndex(std::size_t index) = 0;
    // Frame `index` shrunk to `size` (each side no larger than the frame's); this version decodes
    // the frame and keeps only the smaller copy, unless the frame passes
    // imageLimits::maxScaledDecodeBytes: it is then refused. A decoder that can shrink while it reads
    // does so. A decoder that falls back to decoding the whole frame calls this version or holds its
    // place with holdWholeFrame() itself.
    virtual QImage scaledImageAtIndex(std::size_t index, QSize size);
    virtual std::size_t cachedBytes() const { return 0; }

    // A place in the full-size decode gate for decoding frame `index` whole (an animation's
    // canvas); an empty hold for a small frame or one not known.
    FullDecodeGate::Hold holdWholeFrame(std::size_t index) const;
};

// The decoder of one type identifier; nil for types without one.
std::unique_ptr<FrameDecoder> makeFrameDecoder(std::string_view type);

// Shared pieces of the decoders.

// The status of a format read as it arrives: broken, still before its header, or after it. `cut`
// says the data stops before the format's end: final data is then UnexpectedEOF, as what a dropped
// connection leaves is not the image, however much of it shows.
ImageSourceStatus readingStatus(bool invalid, bool headerRead, bool final, bool cut = false);

// The size a frame of `stored` size is given at when asked for `wanted`: each side clamped to the
// stored one; the stored size when `wanted` is invalid or empty.
QSize scaledFrameSize(QSize stored, QSize wanted);
// `image` shrunk to `size` unless it is that size already (a box filter of Qt's).
QImage shrunk(const QImage& image, QSize size);

// A blank frame, transparent or black; null when the limits refuse it or memory runs out.
QImage allocateFrame(std::int64_t width, std::int64_t height, bool alpha);
// The same without blanking: for a decoder that writes every pixel, or blanks what it did not write
// with blankRows().
QImage allocateFrameForOverwrite(std::int64_t width, std::int64_t height, bool alpha);
// Blanks rows `from` to the end as allocateFrame() would have.
void blankRows(QImage& frame, int from);

// A frame's property dictionary. `orientation` 0 leaves "Orientation" out; `formatKey` empty leaves
// the format dictionary out, else it holds the delays.
struct FrameInfo {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool alpha = false;
    int orientation = 0;
    std::string_view formatKey;
    bool hasDelay = true; // false leaves the format dictionary empty
    double delay = 0;     // seconds as stored
};
foundation::Ref<foundation::Dictionary> frameProperties(const FrameInfo& info);
// {"{X}": {"LoopCount": n}}
foundation::Ref<foundation::Dictionary> loopProperties(std::string_view formatKey, unsigned loopCount);
double clampedDelay(double seconds);

// x * a / 255 on each of the four bytes of x, rounded as Qt rounds.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

// One 32-bit ARGB pixel premultiplied.
inline std::uint32_t premultiplied(std::uint32_t pixel)
{
    std::uint32_t a = pixel >> 24;
    if (a == 255)
        return pixel;
    return a == 0 ? 0 : ((byteMul(pixel, a) & 0x00ffffff) | (a << 24));
}

// Premultiplies a row of 32-bit ARGB pixels in place.
void premultiplyRow(std::uint32_t* pixels, std::size_t count);

// How a frame leaves the canvas for the next one, and how it meets what is there.
enum class Dispose { None, Background, Previous };
enum class Blend { Source, Over };

// Composes the frames of an animation on one canvas. It keeps the canvas of the frame it composed
// last, so frame i after frame i-1 costs one frame; going back starts again from frame 0.
//
// A canvas shown much smaller than it is stored is composed at the smaller size when the whole
// one would not fit kFullCanvasBytes: each frame is shrunk to its rectangle scaled to that size and
// placed there, so the result is a little softer than shrinking the whole canvas, but a huge
// animation drawn small never has a canvas of its full size.
class FrameComposer {
public:
    static constexpr std::size_t kFullCanvasBytes = std::size_t(16) * 1024 * 1024;

    struct Placement {
        QRect rect; // where the frame goes; clipped to the canvas
        Dispose dispose = Dispose::None;
        Blend blend = Blend::Over;
    };

    void reset(int width, int height);
    // The canvas after frame `index`; `place(i)` tells where frame i goes and `decode(i, size)`
    // gives its pixels (Format_ARGB32_Premultiplied): at its stored size when `size` is invalid, else
    // shrunk to `size`, its rectangle's size on the smaller canvas (a null image leaves the canvas as
    // it was). A null image when the canvas cannot be
    // allocated.
    template <class Place, class Decode>
    QImage compose(std::size_t index, const Place& place, const Decode& decode)
    {
        setBox({});
        return composeOnCanvas(index, place, decode);
    }
    // The canvas after frame `index` shrunk to `size` (each side no larger than the canvas's):
    // composed whole and shrunk when it fits kFullCanvasBytes, else composed at `size`.
    template <class Place, class Decode>
    QImage composeScaled(std::size_t index, QSize size, const Place& place, const Decode& decode)
    {
        const QSize wanted = size.boundedTo(QSize(width_, height_));
        if (!wanted.isValid() || wanted.isEmpty() || wanted == QSize(width_, height_)
            || std::size_t(width_) * std::size_t(height_) * 4 <= kFullCanvasBytes) {
            const QImage whole = compose(index, place, decode);
            if (whole.isNull() || !wanted.isValid() || wanted.isEmpty() || wanted == whole.size())
                return whole;
            return whole.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        setBox(wanted);
        return composeOnCanvas(index, place, decode);
    }
    std::size_t cachedBytes() const;

private:
    template <class Place, class Decode>
    QImage composeOnCanvas(std::size_t index, const Place& place, const Decode& decode)
    {
        if (!prepare(index))
            return {};
        while (!next_ || *next_ <= index) {
            std::size_t i = next_.value_or(0);
            Placement placement = place(i);
            placement.rect = onCanvas(placement.rect);
            begin(i, placement);
            if (!placement.rect.isEmpty())
                draw(decode(i, box_.isValid() ? placement.rect.size() : QSize()), placement);
            next_ = i + 1;
        }
        return canvas_;
    }
    void setBox(QSize box);
    QRect onCanvas(const QRect& rect) const;
    bool prepare(std::size_t index);
    void begin(std::size_t index, const Placement& placement);
    void draw(const QImage& frame, const Placement& placement);

    int width_ = 0;
    int height_ = 0;
    QSize box_; // the size composed at; invalid for the full size
    QImage canvas_;
    QImage saved_; // the canvas before a frame that disposes to the previous one
    std::optional<std::size_t> next_;
    Placement last_;
};

} // namespace graphics::detail
