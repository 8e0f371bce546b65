#pragma once

#include "Platform/Foundation/Object.h"

#include <QImage>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {
class Data;
class Dictionary;
} // namespace foundation

namespace graphics {

// Encodes images into one of the formats of typeIdentifiers(): PNG (APNG when given two frames or
// more), JPEG, GIF (animated when given two frames or more, at most 256 colours a frame), TIFF,
// WebP (lossless at quality 1, lossy below; animated with two frames or more), and HEIC / HEIF when
// the build's libheif has an encoder.
//
// Properties (texts of ImageProperties.h): on the destination, "kCGImageDestinationLossyCompressionQuality"
// (0..1, default 1) and the format dictionary's "LoopCount" ("{GIF}", "{PNG}" or "{WebP}"; default 0,
// endless); on each image the same quality, which overrides the destination's, and the format
// dictionary's "DelayTime" (seconds, default 0.1). "Orientation" is written only as 1 (nothing).
//
// Thread-safety: one destination belongs to one thread.
class ImageDestination {
public:
    static const std::vector<std::string>& typeIdentifiers();

    // nil when the type is not written by this build or `count` is 0.
    static std::unique_ptr<ImageDestination> create(std::string_view type, std::size_t count);

    ImageDestination(const ImageDestination&) = delete;
    ImageDestination& operator=(const ImageDestination&) = delete;
    ~ImageDestination();

    void setProperties(const foundation::Ref<foundation::Dictionary>& properties);
    // Images beyond the count given at creation, and null images, make finalize() fail.
    void addImage(const QImage& image, const foundation::Ref<foundation::Dictionary>& properties = nullptr);
    // The encoded data; nil when no image was added, too many were, or encoding failed.
    foundation::Ref<foundation::Data> finalize();

    struct Frame {
        QImage image; // Format_ARGB32_Premultiplied or Format_RGB32
        double quality = 1.0;
        double delay = 0.1;
    };

private:
    ImageDestination(std::string type, std::size_t count);

    std::string type_;
    std::size_t count_;
    bool failed_ = false;
    bool finalized_ = false;
    double quality_ = 1.0;
    unsigned loopCount_ = 0;
    std::vector<Frame> frames_;
};

} // namespace graphics
