#include "Lib/ImageLoading/ILAnimatedImage.h"

#include "Lib/ImageLoading/ILImageAssetManager.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageCompatibility.h"
#include "Lib/ImageLoading/ILImageIOAnimatedCoder.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Runtime/ClassBuilder.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/Storage/Paths.h"

#include <algorithm>
#include <regex>

using foundation::Data;
using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;
using graphics::Image;

namespace {

constexpr std::string_view kAnimatedImageDataKey = "animatedImageData";

// The first coder of the shared list, from its first entry to its last, that makes per-image frame
// sources and takes the data.
const ILAnimatedImageCoder* animatedCoderFor(const Ref<Data>& data)
{
    for (const auto& coder : ILImageCodersManager::sharedManager()->coders())
        if (const auto* animated = dynamic_cast<const ILAnimatedImageCoder*>(coder.get()))
            if (coder->canDecodeFromData(data))
                return animated;
    return nullptr;
}

Ref<Dictionary> scaleOptions(double scale)
{
    return Dictionary::create({ { Id(ILImageCoderDecodeScaleFactor), Id(scale) } });
}

} // namespace

bool ILAnimatedImageProtocol::classConforms(const foundation::Class* cls)
{
    if (!cls || !cls->isSubclassOfClass(Image::classObject()))
        return false;
    const foundation::ImageFactory* factory = cls->imageFactory();
    return factory && factory->withData && factory->withAnimatedCoder;
}

const foundation::Class* ILAnimatedImage::classObject()
{
    static const foundation::Class* cls
        = runtime::ClassBuilder<ILAnimatedImage>("ILAnimatedImage", Image::classObject())
              .imageFactory({
                  .withData = [](const Ref<Data>& data, double scale, const Ref<Dictionary>& options)
                      -> Ref<foundation::Object> { return imageWithData(data, scale, options); },
                  .withAnimatedCoder
                  = [](const Ref<foundation::Object>& coder, double scale) -> Ref<foundation::Object> {
                      return imageWithAnimatedCoder(
                          std::dynamic_pointer_cast<ILAnimatedImageCoder>(coder), scale);
                  },
              })
              .build();
    return cls;
}

const foundation::Class* ILAnimatedImage::isa() const
{
    return classObject();
}

// --- Creation ----------------------------------------------------------------------------------

Ref<Image> ILAnimatedImage::imageNamed(const std::string& name)
{
    return imageNamed(name, foundation::Paths::resourceDirectory());
}

Ref<Image> ILAnimatedImage::imageNamed(const std::string& name, const std::filesystem::path& bundle)
{
    return imageNamed(name, bundle, 0);
}

Ref<Image> ILAnimatedImage::imageNamed(
    const std::string& name, const std::filesystem::path& bundle, double scale)
{
    if (name.empty())
        return nullptr;
    const std::filesystem::path folder = bundle.empty() ? foundation::Paths::resourceDirectory() : bundle;
    ILImageAssetManager& assets = ILImageAssetManager::sharedAssetManager();
    Ref<Image> held = assets.imageForName(name);
    if (std::dynamic_pointer_cast<ILAnimatedImage>(held))
        return held;
    const std::optional<std::filesystem::path> path = assets.getPathForName(name, folder, scale);
    if (!path)
        return held;
    const Ref<Data> data = Data::dataWithContentsOfFile(*path);
    if (!data)
        return held;
    Ref<ILAnimatedImage> image = imageWithData(data, scale);
    if (image)
        assets.storeImage(image, name);
    return image;
}

double ILAnimatedImage::scaleFromPath(const std::string& path)
{
    const auto text = foundation::String::create(path);
    if (path.empty() || path.ends_with('/'))
        return 1;
    const std::string stem = text->stringByDeletingPathExtension()->utf8();
    static const std::regex marker("@[0-9]+\\.?[0-9]*x$");
    double scale = 1;
    // "$" ends each line, as a search with anchors matching lines would have it.
    std::size_t lineStart = 0;
    while (lineStart <= stem.size()) {
        const std::size_t lineEnd = std::min(stem.find('\n', lineStart), stem.size());
        const std::string line = stem.substr(lineStart, lineEnd - lineStart);
        std::smatch match;
        if (std::regex_search(line, match, marker)) {
            const std::size_t start = lineStart + static_cast<std::size_t>(match.position(0));
            const std::size_t startUnits = foundation::String::create(stem.substr(0, start))->length();
            if (startUnits >= 3)
                scale
                    = foundation::String::create(match.str(0).substr(1, match.length(0) - 2))->doubleValue();
        }
        lineStart = lineEnd + 1;
    }
    return scale;
}

Ref<ILAnimatedImage> ILAnimatedImage::imageWithContentsOfFile(const std::string& path)
{
    const Ref<Data> data = Data::dataWithContentsOfFile(path);
    return data ? imageWithData(data, scaleFromPath(path)) : nullptr;
}

Ref<ILAnimatedImage> ILAnimatedImage::imageWithData(
    const Ref<Data>& data, double scale, const ILImageCoderOptions& options)
{
    if (!data || data->length() == 0)
        return nullptr;
    const Ref<Data> kept = std::static_pointer_cast<Data>(data->copy());
    const ILAnimatedImageCoder* prototype = animatedCoderFor(kept);
    if (!prototype)
        return nullptr;
    auto coder = prototype->initWithAnimatedImageData(kept, options ? options : scaleOptions(scale));
    return coder ? imageWithAnimatedCoder(std::move(coder), scale) : nullptr;
}

Ref<ILAnimatedImage> ILAnimatedImage::imageWithAnimatedCoder(
    std::shared_ptr<ILAnimatedImageCoder> coder, double scale)
{
    auto image = std::make_shared<ILAnimatedImage>();
    return image->initWithAnimatedCoder(std::move(coder), scale) ? image : nullptr;
}

bool ILAnimatedImage::initWithAnimatedCoder(std::shared_ptr<ILAnimatedImageCoder> coder, double scale)
{
    if (!coder)
        return false;
    const Ref<Image> first = coder->animatedImageFrameAtIndex(0);
    if (!first || first->isEmpty())
        return false;
    // A coder that decodes frames smaller than stored (for the box they are drawn in) lowers their
    // scale so they keep their size in points: the image's scale drops as much.
    double shown = std::max(1.0, scale);
    if (const auto* io = dynamic_cast<const ILImageIOAnimatedCoder*>(coder.get()))
        shown *= io->frameShrinkRatio();
    if (first->scale() == shown) {
        // One representation for this image and its frame 0: no pixel is decoded or copied twice.
        initWithRepresentation(first->representation(), shown);
        firstFrame_ = first;
    } else {
        // Frames keep the coder's scale, so frame 0 stays the coder's to decode.
        const auto representation = graphics::BitmapImageRep::create(il_CGImage(first));
        if (!representation)
            return false;
        initWithRepresentation(representation, shown);
    }
    adoptCoder(std::move(coder));
    return true;
}

void ILAnimatedImage::adoptCoder(std::shared_ptr<ILAnimatedImageCoder> coder)
{
    animatedImageFormat_ = il_imageFormatForImageData(coder->animatedImageData());
    coder_ = std::move(coder);
}

// --- Frames ------------------------------------------------------------------------------------

Ref<Data> ILAnimatedImage::animatedImageData() const
{
    return coder_ ? coder_->animatedImageData() : nullptr;
}

std::size_t ILAnimatedImage::animatedImageFrameCount() const
{
    return coder_ ? coder_->animatedImageFrameCount() : 0;
}

std::size_t ILAnimatedImage::animatedImageLoopCount() const
{
    return coder_ ? coder_->animatedImageLoopCount() : 0;
}

Ref<Image> ILAnimatedImage::animatedImageFrameAtIndex(std::size_t index) const
{
    if (index >= animatedImageFrameCount())
        return nullptr;
    if (const auto frames = loadedFrames_.get(); frames && index < frames->size())
        return (*frames)[index].image;
    if (index == 0 && firstFrame_)
        return firstFrame_;
    return coder_->animatedImageFrameAtIndex(index);
}

double ILAnimatedImage::animatedImageDurationAtIndex(std::size_t index) const
{
    if (index >= animatedImageFrameCount())
        return 0;
    if (const auto frames = loadedFrames_.get(); frames && index < frames->size())
        return (*frames)[index].duration;
    return coder_->animatedImageDurationAtIndex(index);
}

void ILAnimatedImage::preloadAllFrames()
{
    if (allFramesLoaded_.load() || !coder_)
        return;
    const std::size_t count = animatedImageFrameCount();
    const QImage first = image();
    const auto frameBytes = static_cast<std::size_t>(first.sizeInBytes());
    if (frameBytes == 0 || count > graphics::imageLimits::maxFramesBytes / frameBytes)
        return;
    auto frames = std::make_shared<ILImageFrames>();
    frames->reserve(count);
    for (std::size_t index = 0; index < count; ++index)
        frames->push_back(ILImageFrame::frameWithImage(
            animatedImageFrameAtIndex(index), coder_->animatedImageDurationAtIndex(index)));
    loadedFrames_.set(std::move(frames));
    allFramesLoaded_.store(true);
}

void ILAnimatedImage::unloadAllFrames()
{
    if (!allFramesLoaded_.load())
        return;
    loadedFrames_.set(nullptr);
    allFramesLoaded_.store(false);
}

std::size_t ILAnimatedImage::memoryCostOfFrames() const
{
    std::size_t bytes = memoryCost();
    const uchar* own = image().constBits();
    if (const auto frames = loadedFrames_.get())
        for (const ILImageFrame& frame : *frames)
            if (frame.image && frame.image->image().constBits() != own)
                bytes += static_cast<std::size_t>(frame.image->image().sizeInBytes());
    if (const auto* source = dynamic_cast<const ILImageIOAnimatedCoder*>(coder_.get()))
        bytes += source->cachedBytes();
    if (const Ref<Data> data = animatedImageData())
        bytes += data->length();
    return bytes;
}

// --- Archive -----------------------------------------------------------------------------------

void ILAnimatedImage::encodeWithCoder(foundation::KeyedArchiver& archiver) const
{
    Image::encodeWithCoder(archiver);
    if (const Ref<Data> data = animatedImageData())
        archiver.encodeObject(Id(data), kAnimatedImageDataKey);
}

void ILAnimatedImage::initWithCoder(foundation::KeyedUnarchiver& unarchiver)
{
    Image::initWithCoder(unarchiver);
    const Ref<Data> data = unarchiver.decodeObjectForKey(kAnimatedImageDataKey).as<Data>();
    if (!data)
        return;
    const ILAnimatedImageCoder* prototype = animatedCoderFor(data);
    if (!prototype)
        return;
    if (auto coder = prototype->initWithAnimatedImageData(data, scaleOptions(scale())))
        adoptCoder(std::move(coder));
}
