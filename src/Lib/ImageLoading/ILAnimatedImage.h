#pragma once

#include "Lib/ImageLoading/ILAnimatedImageProtocol.h"
#include "Lib/ImageLoading/ILImageFrame.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Graphics/Image.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

// An animated image (GIF, APNG, WebP with the WebP coder) that keeps its animated coder and decodes
// frames on demand; its own pixels are frame 0. It is what a load produces when its context names
// this class under "animatedImageClass", and it plays in the animated image view. It can also be
// made from a file, from bytes, from a name in a resource folder, or from an archive, which stores
// the encoded data under "animatedImageData".
//
// Thread-safety: immutable apart from the preload state. Frames, durations and counts may be asked
// for from any thread (the coder decodes one frame at a time); preloadAllFrames and unloadAllFrames
// swap the loaded frames atomically.
class ILAnimatedImage : public graphics::Image, public ILAnimatedImageProtocol {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // The named image from a resource folder (default: the application's resources), the file whose
    // scale suffix (@2x and the like) best fits the screen, shared while anybody holds it. A name
    // without extension means PNG. Scale 0 lets the file's suffix decide. May answer an image of
    // another class that the asset table holds under the name; nil when nothing fits.
    static foundation::Ref<graphics::Image> imageNamed(const std::string& name);
    static foundation::Ref<graphics::Image> imageNamed(
        const std::string& name, const std::filesystem::path& bundle);
    static foundation::Ref<graphics::Image> imageNamed(
        const std::string& name, const std::filesystem::path& bundle, double scale);

    // The file's data at the scale its name carries ("loading@2x.gif" → 2); nil when it is
    // unreadable or no animated coder takes it.
    static foundation::Ref<ILAnimatedImage> imageWithContentsOfFile(const std::string& path);
    // The scale named by a path: the digits of a trailing "@<n>x" before the extension, when the
    // marker starts at the fourth character or later; 1 otherwise.
    static double scaleFromPath(const std::string& path);

    // nil for nil or empty data, or data no animated coder of the shared coders manager takes.
    // Without options the coder is made with {"decodeScaleFactor": scale}.
    static foundation::Ref<ILAnimatedImage> imageWithData(const foundation::Ref<foundation::Data>& data,
        double scale = 1, const ILImageCoderOptions& options = nullptr);
    // nil without a coder or a frame 0; the scale is at least 1.
    static foundation::Ref<ILAnimatedImage> imageWithAnimatedCoder(
        std::shared_ptr<ILAnimatedImageCoder> coder, double scale);

    std::shared_ptr<ILAnimatedImageCoder> coder() const { return coder_; }
    ILImageFormatCode animatedImageFormat() const { return animatedImageFormat_; }
    void setAnimatedImageFormat(ILImageFormatCode format) { animatedImageFormat_ = format; }
    // nil until all frames are preloaded.
    std::shared_ptr<const ILImageFrames> loadedAnimatedImageFrames() const { return loadedFrames_.get(); }

    foundation::Ref<foundation::Data> animatedImageData() const override;
    std::size_t animatedImageFrameCount() const override;
    std::size_t animatedImageLoopCount() const override;
    foundation::Ref<graphics::Image> animatedImageFrameAtIndex(std::size_t index) const override;
    double animatedImageDurationAtIndex(std::size_t index) const override;

    // Decodes every frame unless they would pass the memory limit for frames held at once (then the
    // image stays as it was and frames keep being decoded on demand).
    void preloadAllFrames() override;
    void unloadAllFrames() override;
    bool isAllFramesLoaded() const override { return allFramesLoaded_.load(); }

    // Bytes held: frame 0, the other preloaded frames, the coder's kept canvas and the encoded data.
    std::size_t memoryCostOfFrames() const;

    void encodeWithCoder(foundation::KeyedArchiver& archiver) const override;
    // A still image when the archive holds no data or data no animated coder takes.
    void initWithCoder(foundation::KeyedUnarchiver& unarchiver) override;

    ILAnimatedImage() = default;

private:
    // Sets the coder, the format sniffed from its data, and frame 0 as this image's pixels.
    bool initWithAnimatedCoder(std::shared_ptr<ILAnimatedImageCoder> coder, double scale);
    void adoptCoder(std::shared_ptr<ILAnimatedImageCoder> coder);

    std::shared_ptr<ILAnimatedImageCoder> coder_;
    // The frame decoded at creation, sharing this image's representation: asked for again it is
    // served, since a second decode of a large still would hold its pixels twice. Nil when the
    // coder's scale is not this image's (frame 0 is then decoded on demand like the others).
    foundation::Ref<graphics::Image> firstFrame_;
    ILImageFormatCode animatedImageFormat_ = ILImageFormatUndefined;
    foundation::Atomic<std::shared_ptr<const ILImageFrames>> loadedFrames_;
    std::atomic<bool> allFramesLoaded_ { false };
};
