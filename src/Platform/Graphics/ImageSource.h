#pragma once

#include "Platform/Foundation/Object.h"

#include <QImage>

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {
class Data;
class Dictionary;
} // namespace foundation

namespace graphics {

namespace detail {
class FrameDecoder;
}

// The state of a source, numbered as the platform numbers it.
enum class ImageSourceStatus {
    UnexpectedEOF = -5,
    InvalidData = -4,
    UnknownType = -3,
    ReadingHeader = -2,
    Incomplete = -1,
    Complete = 0,
};

// Reads images out of encoded data: PNG and APNG, JPEG, GIF, WebP (still and animated), HEIC and
// HEIF stills, TIFF, BMP and ICO. The type is found from the data's leading bytes; data of any other
// kind (an HTML page, say) has no type and no images.
//
// Frames come out as stored: an animation's frame i is the whole canvas after frames 0..i were
// composed by their dispose and blend rules, and a JPEG or TIFF frame is not turned upright: its
// "Orientation" property says how to turn it. Pixels are Format_ARGB32_Premultiplied when the frame
// has alpha, else Format_RGB32; colour profiles and gamma are not applied.
//
// A frame larger than imageLimits allow is never allocated: the source answers no image for it.
// Malformed animations never read or write outside the canvas: frames reaching past it are clipped,
// and an APNG whose control chunks are out of order shows its still image.
//
// An incremental source is given the data as it arrives; until the final update it answers what
// the data so far holds (the rows or scans decoded so far, the frames complete so far).
//
// Thread-safety: every method may be called from any thread. One mutex per source serialises them,
// so frames of one source are decoded one at a time; the source keeps the canvas of the frame it
// composed last, so asking for frames in order composes each on the previous one. A decode of a
// whole frame (and the scaled road's fallback to one) takes its place in FullDecodeGate first,
// under the mutex: another caller of the same source waits for that too.
class ImageSource {
public:
    // A source over complete data; nil for nil or empty data.
    static std::shared_ptr<ImageSource> create(const foundation::Ref<foundation::Data>& data);
    // A source that starts without data and is fed by update().
    static std::shared_ptr<ImageSource> createIncremental();

    // The type identifiers of the formats this build decodes (HEIC and HEIF only with a decoder).
    static const std::vector<std::string>& typeIdentifiers();
    // The type identifier of `data` from its leading bytes, "" when it is no format listed above.
    static std::string typeOfData(const foundation::Data& data);

    ~ImageSource();
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;

    // Gives an incremental source all data so far (it begins with the data given before); `final`
    // says no more will come. Ignored once a final update was given and on complete sources.
    void update(const foundation::Ref<foundation::Data>& data, bool final);

    ImageSourceStatus status() const;
    std::string type() const; // "" until the leading bytes tell
    std::size_t count() const;
    foundation::Ref<foundation::Data> data() const; // the data so far
    // The source's own properties, e.g. {"{GIF}": {"LoopCount": 0}}; an empty dictionary when none.
    foundation::Ref<foundation::Dictionary> properties() const;
    // "PixelWidth", "PixelHeight", "HasAlpha", "Orientation" (when stored) and the format
    // dictionary with "DelayTime" and "UnclampedDelayTime" for animation frames; nil past count().
    foundation::Ref<foundation::Dictionary> propertiesAtIndex(std::size_t index) const;
    // Frame `index` (devicePixelRatio 1); a null image when there is none or it cannot be decoded.
    QImage imageAtIndex(std::size_t index) const;
    // Frame `index` shrunk to `size` (each side clamped to the frame's), for a view that shows it
    // smaller: only the smaller copy is kept. PNG (interlaced too), BMP, TIFF strips and tiles, WebP
    // stills and JPEG decode at about that size and never hold the whole frame. GIF and APNG frames
    // are composed whole and then shrunk while their canvas is small (16 MiB); a larger canvas is
    // composed at the smaller size, each frame shrunk into its place, so it is never allocated whole.
    // A format that must decode whole first (HEIF, ICO, lossless WebP, other animations, TIFF with a
    // huge strip) is refused (a null image) when what its decoder holds passes
    // imageLimits::maxScaledDecodeBytes.
    QImage imageAtIndex(std::size_t index, QSize size) const;

    // Bytes of pixel buffers the source keeps between calls (the composed canvas), not its data.
    std::size_t cachedBytes() const;

private:
    ImageSource();
    void adoptData(const foundation::Ref<foundation::Data>& data, bool final); // under mutex_

    mutable std::mutex mutex_;
    foundation::Ref<foundation::Data> data_;
    bool final_ = false;
    bool incremental_ = false;
    std::string type_;
    std::unique_ptr<detail::FrameDecoder> decoder_;
};

} // namespace graphics
