#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Storage/Coding.h"

#include <QImage>
#include <QSizeF>

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace foundation {
class Data;
}

namespace graphics {

class BitmapImageRep;

// An image (NSImage): one bitmap representation shown at a scale. Its pixels, image(), are a QImage
// in Format_ARGB32_Premultiplied (alpha) or Format_RGB32 whose devicePixelRatio is the scale; its
// size in points is the pixel size divided by the scale. The scale lives in the representation (as
// the platform's representation has a size), so images sharing one representation share it. Images are made whole and their pixels
// never change afterwards; an animated representation changes only which frame it shows.
//
// Beside the pixels an image carries attached values (associated objects: decoding flags, format,
// cost) that the image-loading layer sets and reads under names of its own.
//
// Archived as the PNG of its current pixels and its scale.
//
// Thread-safety: readable from any thread; attached values are guarded by a mutex. Subclasses set
// themselves up with initWithRepresentation() before they are shared.
class Image : public foundation::Object, public foundation::Coding {
public:
    static const foundation::Class* classObject(); // "NSImage"
    const foundation::Class* isa() const override;

    // nil for a null image or a nil representation. A scale of 0 or below counts as 1.
    static foundation::Ref<Image> create(const QImage& pixels, double scale = 1.0);
    static foundation::Ref<Image> create(foundation::Ref<BitmapImageRep> representation, double scale = 1.0);
    // The first frame of encoded data behind a BitmapImageRep of it; nil when it does not decode.
    static foundation::Ref<Image> createWithData(const foundation::Ref<foundation::Data>& data, double scale = 1.0);

    Image() = default; // empty (no representation): what archives decode into

    const foundation::Ref<BitmapImageRep>& representation() const { return representation_; }
    QImage image() const; // the representation's current frame at this image's scale; null when empty
    double scale() const; // the representation's; 1 when empty
    QSizeF size() const; // points
    bool isEmpty() const { return representation_ == nullptr; }

    // Bytes this image holds: its representation's pixels, kept canvas and encoded data.
    std::size_t memoryCost() const;

    foundation::Id associatedObject(std::string_view key) const; // nil when not set
    void setAssociatedObject(std::string_view key, const foundation::Id& value); // nil removes it

    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

protected:
    void initWithRepresentation(foundation::Ref<BitmapImageRep> representation, double scale);

private:
    foundation::Ref<BitmapImageRep> representation_;
    mutable std::mutex associatedMutex_;
    std::map<std::string, foundation::Id, std::less<>> associated_;
};

} // namespace graphics
