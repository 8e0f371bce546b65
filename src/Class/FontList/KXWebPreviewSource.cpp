#include "Class/FontList/KXWebPreviewSource.h"

#include "Lib/ImageLoading/ILImageCache.h"
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

} // namespace

KXWebPreviewSource::KXWebPreviewSource(std::shared_ptr<ILWebManager> manager)
    : manager_(manager ? std::move(manager) : ILWebManager::sharedManager())
{
}

foundation::Ref<graphics::Image> KXWebPreviewSource::cachedImage(const std::string& url)
{
    const auto cache = std::dynamic_pointer_cast<ILImageCache>(manager_->imageCache());
    const auto address = foundation::URL::URLWithString(url);
    if (!cache || !address)
        return nullptr;
    return cache->imageFromMemoryCacheForKey(manager_->cacheKeyForURL(address));
}

std::shared_ptr<KXPreviewImageSource::Load> KXWebPreviewSource::load(const std::string& url, Done done)
{
    auto operation = manager_->loadImageWithURL(
        url, ILLoadProgressiveLoad, nullptr, nullptr,
        [done = std::move(done)](const ILImageRef& image, const foundation::Ref<foundation::Data>&, const foundation::Ref<foundation::Error>& error,
                                 ILCacheType, bool finished, const foundation::Ref<foundation::URL>&) {
            if (done)
                done(error ? nullptr : image, finished || error);
        });
    return std::make_shared<ManagerLoad>(std::move(operation));
}
