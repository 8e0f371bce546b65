#pragma once

#include "Lib/ImageLoading/ILImageFormat.h"
#include "Platform/Foundation/Object.h"

#include <QSize>
#include <cstddef>
#include <memory>
#include <string_view>

namespace foundation {
class Data;
class Dictionary;
} // namespace foundation
namespace graphics {
class Image;
}

// Keys of the option dictionaries given to decode and encode.
inline constexpr std::string_view ILImageCoderDecodeFirstFrameOnly = "decodeFirstFrameOnly"; // BOOL
inline constexpr std::string_view ILImageCoderDecodeScaleFactor
    = "decodeScaleFactor"; // double, max(1, value)
inline constexpr std::string_view ILImageCoderDecodeThumbnailPixelSize
    = "decodeThumbnailPixelSize"; // [width, height] in pixels: see ILImageThumbnail.h
inline constexpr std::string_view ILImageCoderDecodeThumbnailFill = "decodeThumbnailFill"; // BOOL
inline constexpr std::string_view ILImageCoderWebImageContext = "webImageContext"; // the load's context
inline constexpr std::string_view ILImageCoderEncodeCompressionQuality
    = "encodeCompressionQuality"; // 0..1, 1
inline constexpr std::string_view ILImageCoderEncodeFirstFrameOnly = "encodeFirstFrameOnly"; // BOOL

using ILImageCoderOptions = foundation::Ref<foundation::Dictionary>;

// The scale an option dictionary asks for: max(1, "decodeScaleFactor"), `whenAbsent` without one.
double ILImageCoderScaleFromOptions(const ILImageCoderOptions& options, double whenAbsent = 1);
// The quality an option dictionary asks for: "encodeCompressionQuality", 1 when absent.
double ILImageCoderQualityFromOptions(const ILImageCoderOptions& options);

// Turns encoded data into images and images into encoded data. The shared coders keep no state of
// one image, so every method may be called from any thread.
class ILImageCoder : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    virtual bool canDecodeFromData(const foundation::Ref<foundation::Data>& data) const = 0;
    virtual foundation::Ref<graphics::Image> decodedImageWithData(
        const foundation::Ref<foundation::Data>& data, const ILImageCoderOptions& options) const = 0;
    virtual bool canEncodeToFormat(ILImageFormatCode format) const = 0;
    virtual foundation::Ref<foundation::Data> encodedDataWithImage(
        const foundation::Ref<graphics::Image>& image, ILImageFormatCode format,
        const ILImageCoderOptions& options) const = 0;

protected:
    ILImageCoder() = default;
};

// A coder that also decodes data still arriving. The shared coder answers canIncrementalDecode and
// makes a new coder per load (initIncrementalWithOptions); that coder holds the load's state and is
// used by one operation at a time (the load's serial queue), never concurrently.
class ILProgressiveImageCoder {
public:
    virtual ~ILProgressiveImageCoder() = default;

    virtual bool canIncrementalDecodeFromData(const foundation::Ref<foundation::Data>& data) const = 0;
    // A new coder of the same class for one load; nil when it cannot be made.
    virtual foundation::Ref<ILImageCoder> initIncrementalWithOptions(
        const ILImageCoderOptions& options) const = 0;
    // Gives all data so far; ignored once `finished` was given.
    virtual void updateIncrementalData(const foundation::Ref<foundation::Data>& data, bool finished) = 0;
    // The image the data so far makes; nil until its size is known.
    virtual foundation::Ref<graphics::Image> incrementalDecodedImageWithOptions(
        const ILImageCoderOptions& options)
        = 0;
    // The pixel size the data so far names; empty until it is known. Read from what the last update
    // parsed, so asking costs nothing.
    virtual QSize incrementalPixelSize() const = 0;

protected:
    ILProgressiveImageCoder() = default;
    ILProgressiveImageCoder(const ILProgressiveImageCoder&) = default;
    ILProgressiveImageCoder& operator=(const ILProgressiveImageCoder&) = default;
};

// The frames of an animation, decoded on demand. Every method may be called from any thread; frames
// are decoded one at a time per provider, and asking for them in order is the cheap way (frame i is
// composed on frame i − 1).
class ILAnimatedImageProvider {
public:
    virtual ~ILAnimatedImageProvider() = default;

    virtual foundation::Ref<foundation::Data> animatedImageData() const = 0;
    virtual std::size_t animatedImageFrameCount() const = 0;
    virtual std::size_t animatedImageLoopCount() const = 0; // 0 = endless
    // nil past the frame count or when the frame does not decode.
    virtual foundation::Ref<graphics::Image> animatedImageFrameAtIndex(std::size_t index) const = 0;
    // Seconds; 0 past the frame count.
    virtual double animatedImageDurationAtIndex(std::size_t index) const = 0;

protected:
    ILAnimatedImageProvider() = default;
    ILAnimatedImageProvider(const ILAnimatedImageProvider&) = default;
    ILAnimatedImageProvider& operator=(const ILAnimatedImageProvider&) = default;
};

// A coder made per animated image (initWithAnimatedImageData) that serves its frames.
class ILAnimatedImageCoder : public ILAnimatedImageProvider {
public:
    // A new coder over `data`; nil for nil data or data without an image source.
    virtual std::shared_ptr<ILAnimatedImageCoder> initWithAnimatedImageData(
        const foundation::Ref<foundation::Data>& data, const ILImageCoderOptions& options) const = 0;
};
