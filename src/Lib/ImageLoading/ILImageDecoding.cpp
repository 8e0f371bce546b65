#include "Lib/ImageLoading/ILImageDecoding.h"

#include "Lib/ImageLoading/ILAnimatedImageProtocol.h"
#include "Lib/ImageLoading/ILImageCoderHelper.h"
#include "Lib/ImageLoading/ILImageCodersManager.h"
#include "Lib/ImageLoading/ILImageMetadata.h"
#include "Lib/ImageLoading/ILImageScale.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILWebCacheKeyFilterProtocol.h"
#include "Platform/Foundation/ClassValue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/BitmapImageRep.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"

using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;
using graphics::Image;

namespace {

// What every decode step works out from the key, the options and the context.
struct DecodePlan {
    bool firstFrameOnly = false;
    double scale = 1;
    Ref<Dictionary> coderOptions;
    const foundation::ImageFactory* animatedFactory = nullptr; // the context's conforming class
};

DecodePlan planFor(const Ref<foundation::String>& cacheKey, ILLoadOptions options, const ILContext& context)
{
    DecodePlan plan;
    const Id contextId(context);
    plan.firstFrameOnly = (options & ILLoadDecodeFirstFrameOnly) != 0;
    const Id contextScale = contextId[ILWebContextImageScaleFactor];
    plan.scale = contextScale && contextScale.doubleValue() >= 1 ? contextScale.doubleValue()
                                                                 : ILScaleFactorFromKey(cacheKey);
    auto coderOptions = foundation::MutableDictionary::create({
        { Id(ILImageCoderDecodeFirstFrameOnly), Id(plan.firstFrameOnly) },
        { Id(ILImageCoderDecodeScaleFactor), Id(plan.scale) },
    });
    if (context) {
        coderOptions->setObject(Id(context), Id(ILImageCoderWebImageContext));
        if (const Id box = contextId[ILWebContextImageThumbnailPixelSize])
            coderOptions->setObject(box, Id(ILImageCoderDecodeThumbnailPixelSize));
        if (const Id fill = contextId[ILWebContextImageThumbnailFill])
            coderOptions->setObject(fill, Id(ILImageCoderDecodeThumbnailFill));
    }
    plan.coderOptions = coderOptions;
    const foundation::Class* animatedClass
        = foundation::ClassValue::classFrom(contextId[ILWebContextAnimatedImageClass]);
    if (!plan.firstFrameOnly && ILAnimatedImageProtocol::classConforms(animatedClass))
        plan.animatedFactory = animatedClass->imageFactory();
    return plan;
}

Ref<foundation::String> cacheKeyForURL(const Ref<foundation::URL>& url, const ILContext& context)
{
    const Id filter = Id(context)[ILWebContextCacheKeyFilter];
    if (const auto* keyFilter = filter.ptr<ILWebCacheKeyFilterProtocol>())
        return keyFilter->cacheKeyForURL(url);
    return url ? foundation::String::create(url->absoluteString()) : nullptr;
}

bool isAnimatedClass(const Ref<Image>& image)
{
    return dynamic_cast<const ILAnimatedImageProtocol*>(image.get()) != nullptr;
}

// The last step of every decode: a still image of an ordinary class is decoded (and, when asked,
// scaled down) unless the load asks to avoid decoding. Whatever a coder made, a still image is never
// kept larger than its box and the pixel limit allow.
Ref<Image> finish(Ref<Image> image, const DecodePlan& plan, ILLoadOptions options, bool mayScaleDown)
{
    if (isAnimatedClass(image) || il_isAnimated(image))
        return image;
    image = ILImageShrunkForOptions(image, plan.coderOptions);
    if (options & ILLoadAvoidDecodeImage)
        return image;
    if (mayScaleDown && (options & ILLoadScaleDownLargeImages))
        return ILImageCoderHelper::decodedAndScaledDownImageWithImage(image, 0);
    return ILImageCoderHelper::decodedImageWithImage(image);
}

// Data that stops before its image does (a connection dropped while the server still called the
// body complete) decodes as far as it goes. The image is marked partial, as a progressive one is, so
// that no cache keeps it and the next view fetches it again.
bool endsEarly(const Ref<Image>& image, const Ref<foundation::Data>& data)
{
    std::shared_ptr<graphics::ImageSource> source;
    if (const auto& representation = image->representation())
        source = representation->source();
    if (!source)
        source = graphics::ImageSource::create(data);
    return source && source->status() == graphics::ImageSourceStatus::UnexpectedEOF;
}

Ref<Image> decodeWhole(const Ref<foundation::Data>& data, const Ref<foundation::String>& cacheKey,
    ILLoadOptions options, const ILContext& context)
{
    const DecodePlan plan = planFor(cacheKey, options, context);
    Ref<Image> image;
    if (plan.animatedFactory) {
        image = std::dynamic_pointer_cast<Image>(
            plan.animatedFactory->withData(data, plan.scale, plan.coderOptions));
        if (image && (options & ILLoadPreloadAllFrames))
            if (auto* animated = dynamic_cast<ILAnimatedImageProtocol*>(image.get()))
                animated->preloadAllFrames();
        if (!image && (options & ILLoadMatchAnimatedImageClass))
            return nullptr;
    }
    if (!image)
        image = ILImageCodersManager::sharedManager()->decodedImageWithData(data, plan.coderOptions);
    if (!image)
        return nullptr;
    const bool cut = endsEarly(image, data);
    image = finish(std::move(image), plan, options, true);
    if (cut)
        il_setIsIncremental(image, true);
    return image;
}

// Each partial decode reads all data so far again: cheap for an image of screen size, but for one
// past the pixel limit every step costs as much as the whole image. Such an image shows once its
// data is complete. The size is the one the coder parsed already: reading it from the data again
// would cost a decode of all data so far at every step.
bool tooLargeForPartialImages(const ILProgressiveImageCoder& coder)
{
    const QSize size = coder.incrementalPixelSize();
    return std::int64_t(size.width()) * size.height() > ILImageDecodedPixelLimit;
}

} // namespace

ILImageRef ILDecodeDownloadedData(const Ref<foundation::Data>& data, const Ref<foundation::URL>& url,
    ILLoadOptions options, const ILContext& context)
{
    return decodeWhole(data, cacheKeyForURL(url, context), options, context);
}

ILImageRef ILDecodeCachedData(const Ref<foundation::Data>& data, const Ref<foundation::String>& cacheKey,
    ILLoadOptions options, const ILContext& context)
{
    return decodeWhole(data, cacheKey, options, context);
}

ILImageRef ILDecodePartialDownload(const Ref<foundation::Data>& data, const Ref<foundation::URL>& url,
    bool finished, Ref<ILImageCoder>& progressiveCoder, ILLoadOptions options, const ILContext& context)
{
    const DecodePlan plan = planFor(cacheKeyForURL(url, context), options, context);
    if (!progressiveCoder) {
        const ILImageCodersManager::Coders coders = ILImageCodersManager::sharedManager()->coders();
        for (auto coder = coders.rbegin(); coder != coders.rend(); ++coder) {
            const auto* progressive = dynamic_cast<const ILProgressiveImageCoder*>(coder->get());
            if (progressive && progressive->canIncrementalDecodeFromData(data)) {
                progressiveCoder = progressive->initIncrementalWithOptions(plan.coderOptions);
                break;
            }
        }
        if (!progressiveCoder)
            return nullptr;
    }
    auto* progressive = dynamic_cast<ILProgressiveImageCoder*>(progressiveCoder.get());
    if (!progressive)
        return nullptr;
    progressive->updateIncrementalData(data, finished);
    if (!finished && tooLargeForPartialImages(*progressive))
        return nullptr;
    Ref<Image> image;
    if (plan.animatedFactory && dynamic_cast<const ILAnimatedImageCoder*>(progressiveCoder.get())) {
        image = std::dynamic_pointer_cast<Image>(
            plan.animatedFactory->withAnimatedCoder(progressiveCoder, plan.scale));
        if (!image && (options & ILLoadMatchAnimatedImageClass))
            return nullptr;
    }
    if (!image)
        image = progressive->incrementalDecodedImageWithOptions(plan.coderOptions);
    if (!image)
        return nullptr;
    image = finish(std::move(image), plan, options, false);
    il_setIsIncremental(image, true);
    return image;
}
