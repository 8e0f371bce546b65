#pragma once

#include "Lib/ImageLoading/ILImageCoder.h"

#include <QSize>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace graphics {
class ImageSource;
}

// What tells the animated coders apart: the format each decodes and encodes, and where its image
// source keeps loop count and frame delays.
struct ILAnimatedCoderTraits {
    ILImageFormatCode imageFormat;
    std::string_view imageUTType;
    std::string_view dictionaryProperty; // "{GIF}", "{PNG}", "{HEICS}", "{WebP}"
    std::string_view unclampedDelayTimeProperty; // "UnclampedDelayTime"
    std::string_view delayTimeProperty; // "DelayTime"
    std::string_view loopCountProperty; // "LoopCount"
    std::size_t defaultLoopCount; // when the data names none
};

// The shared base of the animated coders (GIF, APNG, HEIC, WebP): decodes data of its format into
// an image backed by an ILAnimatedImageRep, decodes partial data, serves frames on demand as the
// frame source of an ILAnimatedImage, and encodes animations.
//
// Thread-safety: the shared coders keep no state of one image. A coder made per image
// (initWithAnimatedImageData, initIncrementalWithOptions) guards its state with a mutex, and its
// image source decodes one frame at a time, so frames and durations may be asked for from any
// thread while the load that feeds it adds data on its own queue.
class ILImageIOAnimatedCoder : public ILImageCoder,
                               public ILProgressiveImageCoder,
                               public ILAnimatedImageCoder {
public:
    const ILAnimatedCoderTraits& traits() const { return traits_; }

    // The traits of the animated coder for an image source's type (GIF, PNG for APNG, "public.heics"
    // for HEIC sequences, WebP); nullptr for any other type.
    static const ILAnimatedCoderTraits* traitsForType(std::string_view typeIdentifier);
    // A frame's duration: the unclamped delay, else the delay, else 0.1 s; below 0.011 s it is 0.1 s.
    static double frameDurationAtIndex(
        const ILAnimatedCoderTraits& traits, std::size_t index, const graphics::ImageSource& source);
    // The loop count the source names, else the traits' default.
    static std::size_t imageLoopCountWithSource(
        const ILAnimatedCoderTraits& traits, const graphics::ImageSource& source);

    bool canDecodeFromData(const foundation::Ref<foundation::Data>& data) const override;
    foundation::Ref<graphics::Image> decodedImageWithData(
        const foundation::Ref<foundation::Data>& data, const ILImageCoderOptions& options) const override;
    bool canEncodeToFormat(ILImageFormatCode format) const override;
    foundation::Ref<foundation::Data> encodedDataWithImage(const foundation::Ref<graphics::Image>& image,
        ILImageFormatCode format, const ILImageCoderOptions& options) const override;

    bool canIncrementalDecodeFromData(const foundation::Ref<foundation::Data>& data) const override;
    foundation::Ref<ILImageCoder> initIncrementalWithOptions(
        const ILImageCoderOptions& options) const override;
    void updateIncrementalData(const foundation::Ref<foundation::Data>& data, bool finished) override;
    foundation::Ref<graphics::Image> incrementalDecodedImageWithOptions(
        const ILImageCoderOptions& options) override;
    QSize incrementalPixelSize() const override;

    std::shared_ptr<ILAnimatedImageCoder> initWithAnimatedImageData(
        const foundation::Ref<foundation::Data>& data, const ILImageCoderOptions& options) const override;
    foundation::Ref<foundation::Data> animatedImageData() const override;
    std::size_t animatedImageFrameCount() const override;
    std::size_t animatedImageLoopCount() const override;
    foundation::Ref<graphics::Image> animatedImageFrameAtIndex(std::size_t index) const override;
    double animatedImageDurationAtIndex(std::size_t index) const override;

    // How much smaller than stored the frames are decoded (1 unless the options named a smaller
    // box); their scale is lowered by as much, so they keep their size in points.
    double frameShrinkRatio() const;

    // Bytes of pixels the coder's source keeps between frames (the composed canvas).
    std::size_t cachedBytes() const;

    ~ILImageIOAnimatedCoder() override;

protected:
    explicit ILImageIOAnimatedCoder(const ILAnimatedCoderTraits& traits);
    // A new, empty coder of the concrete class.
    virtual std::shared_ptr<ILImageIOAnimatedCoder> makeCoder() const = 0;

private:
    // Reads frame count, loop count and durations from the source; under mutex_.
    void scanFrames();

    const ILAnimatedCoderTraits& traits_;
    mutable std::mutex mutex_;
    std::shared_ptr<graphics::ImageSource> source_;
    foundation::Ref<foundation::Data> data_;
    double scale_ = 1;
    // The size frames are decoded at when the options name a smaller box (invalid: as stored), and
    // their scale then, so they keep the size in points of the stored frames.
    QSize frameSize_;
    double frameScale_ = 1;
    double frameShrinkRatio_ = 1;
    int width_ = 0;
    int height_ = 0;
    bool finished_ = false;
    std::size_t loopCount_ = 0;
    std::vector<double> durations_; // one per frame
};

// What every concrete animated coder shares: one shared coder made once, and new coders of its own
// class for each image or load. `Self` answers coderTraits().
template <class Self> class ILImageIOAnimatedCoderOf : public ILImageIOAnimatedCoder {
public:
    static const std::shared_ptr<Self>& sharedCoder()
    {
        static const auto coder = std::make_shared<Self>();
        return coder;
    }

protected:
    ILImageIOAnimatedCoderOf()
        : ILImageIOAnimatedCoder(Self::coderTraits())
    {
    }
    std::shared_ptr<ILImageIOAnimatedCoder> makeCoder() const override { return std::make_shared<Self>(); }
};
