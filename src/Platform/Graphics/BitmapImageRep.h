#pragma once

#include "Platform/Foundation/Object.h"

#include <QImage>

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace foundation {
class Data;
}

namespace graphics {

class ImageSource;

// Property names of a representation's animation, as the platform spells them.
namespace bitmapProperty {
inline constexpr std::string_view frameCount = "NSImageFrameCount";                    // integer
inline constexpr std::string_view currentFrame = "NSImageCurrentFrame";                // integer
inline constexpr std::string_view currentFrameDuration = "NSImageCurrentFrameDuration"; // seconds
inline constexpr std::string_view loopCount = "NSImageLoopCount";                      // 0 = endless
} // namespace bitmapProperty

// The pixels of an image (NSBitmapImageRep): one still frame, or the frames of an image source of
// which one, the current frame, is shown. Setting "NSImageCurrentFrame" to i makes image() answer
// frame i of the source. Made from GIF data with two frames or more, the representation sets
// "NSImageFrameCount", "NSImageCurrentFrame" (0), "NSImageCurrentFrameDuration" (the frame's clamped
// delay, kept up to date as the current frame changes) and "NSImageLoopCount" itself; for the other
// formats whoever made it sets what it needs. Other property names are stored and answered as given.
//
// A subclass overrides setProperty() and calls this class's version first.
//
// Thread-safety: every method may be called from any thread; the properties and the current frame
// are guarded by one mutex, frames are decoded by the source under its own. A sequence of calls
// (set the current frame, then read its pixels) is not atomic: whoever walks the frames from
// several threads at once uses frameAtIndex() instead.
class BitmapImageRep : public foundation::Object {
public:
    static const foundation::Class* classObject(); // "NSBitmapImageRep"
    const foundation::Class* isa() const override;

    // A still representation of `pixels`, converted to Format_ARGB32_Premultiplied when they have
    // alpha and to Format_RGB32 otherwise; nil for a null image.
    static foundation::Ref<BitmapImageRep> create(const QImage& pixels);
    // Frame 0 of `data`, keeping a source over the data for the other frames; nil when frame 0 does
    // not decode.
    static foundation::Ref<BitmapImageRep> imageRepWithData(const foundation::Ref<foundation::Data>& data);

    QImage image() const; // the current frame, its devicePixelRatio the scale
    // Pixels per point, kept in the devicePixelRatio of the frames this representation hands out.
    // An image sets it to its own scale; a scale of 0 or below counts as 1.
    double scale() const;
    void setScale(double scale);
    int pixelsWide() const;
    int pixelsHigh() const;
    bool hasAlpha() const;
    std::shared_ptr<ImageSource> source() const; // nil for a representation made from pixels
    std::string typeIdentifier() const;          // the source's type, "" without one

    // Frame `index` of the source (frame 0 is the pixels of a representation made from pixels), at
    // the representation's scale; a null image when there is none. Does not change the current frame.
    QImage frameAtIndex(std::size_t index) const;

    foundation::Id valueForProperty(std::string_view name) const; // nil when not set
    virtual void setProperty(std::string_view name, const foundation::Id& value);

    // Bytes held: the current frame's pixels, the source's kept canvas and the encoded data.
    std::size_t memoryCost() const;

    BitmapImageRep() = default; // an empty representation; subclasses fill it with initWith...()

protected:
    // Two-phase set-up for subclasses made with std::make_shared; false leaves the object empty.
    bool initWithData(const foundation::Ref<foundation::Data>& data);
    bool initWithImage(const QImage& pixels);

private:
    mutable std::mutex mutex_;
    QImage image_;
    double scale_ = 1.0;
    std::shared_ptr<ImageSource> source_;
    std::map<std::string, foundation::Id, std::less<>> properties_;
};

} // namespace graphics
