#include "Class/FontList/KXWebPreviewSource.h"

#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILWebCombinedOperation.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"

namespace {

class ManagerLoad final : public KXPreviewImageSource::Load {
public:
    explicit ManagerLoad(std::shared_ptr<ILWebCombinedOperation> operation)
        : operation_(std::move(operation))
    {
    }
    void cancel() override
    {
        if (operation_)
            operation_->cancel();
    }

private:
    std::shared_ptr<ILWebCombinedOperation> operation_;
};

ILContext contextFor(const KXPreviewBox& box)
{
    return box.pixels.isValid() ? ILContextWithThumbnail(nullptr, box.pixels, box.fill) : nullptr;
}

} // namespace

KXWebPreviewSource::KXWebPreviewSource(std::shared_ptr<ILWebManager> manager)
    : manager_(manager ? std::move(manager) : ILWebManager::sharedManager())
{
}

foundation::Ref<graphics::Image> KXWebPreviewSource::cachedImage(
    const std::string& url, const KXPreviewBox& box)
{
    const auto cache = std::dynamic_pointer_cast<ILImageCache>(manager_->imageCache());
    const auto address = foundation::URL::URLWithString(url);
    if (!cache || !address)
        return nullptr;
    return cache->imageFromMemoryCacheForKey(
        ILThumbnailedCacheKey(manager_->cacheKeyForURL(address), contextFor(box)));
}

std::shared_ptr<KXPreviewImageSource::Load> KXWebPreviewSource::load(
    const std::string& url, const KXPreviewBox& box, Done done)
{
    auto operation = manager_->loadImageWithURL(url, ILLoadProgressiveLoad, contextFor(box), nullptr,
        [done = std::move(done)](const ILImageRef& image, const foundation::Ref<foundation::Data>&,
            const foundation::Ref<foundation::Error>& error, ILCacheType, bool finished,
            const foundation::Ref<foundation::URL>&) {
            if (done)
                done(error ? nullptr : image, finished || error);
        });
    return std::make_shared<ManagerLoad>(std::move(operation));
}
