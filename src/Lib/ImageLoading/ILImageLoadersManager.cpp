#include "Lib/ImageLoading/ILImageLoadersManager.h"

#include "Lib/ImageLoading/ILWebDownloader.h"

#include <algorithm>

std::shared_ptr<ILImageLoadersManager> ILImageLoadersManager::sharedManager()
{
    static const auto manager = create();
    return manager;
}

std::shared_ptr<ILImageLoadersManager> ILImageLoadersManager::create()
{
    auto manager = std::make_shared<ILImageLoadersManager>();
    manager->loaders_.push_back(ILWebDownloader::sharedDownloader());
    return manager;
}

std::vector<std::shared_ptr<ILImageLoader>> ILImageLoadersManager::loaders() const
{
    std::lock_guard lock(loadersLock_);
    return loaders_;
}

void ILImageLoadersManager::setLoaders(const std::vector<std::shared_ptr<ILImageLoader>>& loaders)
{
    std::lock_guard lock(loadersLock_);
    loaders_.clear();
    std::copy_if(loaders.begin(), loaders.end(), std::back_inserter(loaders_),
        [](const auto& loader) { return loader != nullptr; });
}

void ILImageLoadersManager::addLoader(const std::shared_ptr<ILImageLoader>& loader)
{
    if (!loader)
        return;
    std::lock_guard lock(loadersLock_);
    loaders_.push_back(loader);
}

void ILImageLoadersManager::removeLoader(const std::shared_ptr<ILImageLoader>& loader)
{
    std::lock_guard lock(loadersLock_);
    std::erase(loaders_, loader);
}

std::shared_ptr<ILImageLoader> ILImageLoadersManager::loaderFor(
    const foundation::Ref<foundation::URL>& url) const
{
    const auto list = loaders();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->canRequestImageForURL(url))
            return *it;
    return nullptr;
}

bool ILImageLoadersManager::canRequestImageForURL(const foundation::Ref<foundation::URL>& url)
{
    return loaderFor(url) != nullptr;
}

std::shared_ptr<ILWebOperation> ILImageLoadersManager::requestImageWithURL(
    const foundation::Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock progress, ILImageLoaderCompletedBlock completed)
{
    if (!url)
        return nullptr;
    const auto loader = loaderFor(url);
    return loader
        ? loader->requestImageWithURL(url, options, context, std::move(progress), std::move(completed))
        : nullptr;
}

bool ILImageLoadersManager::shouldBlockFailedURLWithURL(
    const foundation::Ref<foundation::URL>& url, const foundation::Ref<foundation::Error>& error)
{
    const auto loader = loaderFor(url);
    return loader && loader->shouldBlockFailedURLWithURL(url, error);
}
