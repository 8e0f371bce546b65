#include "Support/FakeImageParts.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"

namespace imagetest {

namespace {

class FlagOperation final : public ILWebOperation {
public:
    explicit FlagOperation(std::shared_ptr<std::atomic<bool>> flag)
        : flag_(std::move(flag))
    {
    }
    void cancel() override { *flag_ = true; }

private:
    std::shared_ptr<std::atomic<bool>> flag_;
};

} // namespace

ILImageRef makeImage(int width, int height)
{
    QImage pixels(width, height, QImage::Format_RGB32);
    pixels.fill(Qt::darkCyan);
    return graphics::Image::create(pixels);
}

foundation::Ref<foundation::Data> gifData()
{
    auto destination = graphics::ImageDestination::create(graphics::typeIdentifier::gif, 2);
    for (const QColor colour : { QColor(Qt::red), QColor(Qt::green) }) {
        QImage frame(6, 6, QImage::Format_RGB32);
        frame.fill(colour);
        destination->addImage(frame);
    }
    return destination->finalize();
}

std::shared_ptr<ILWebOperation> FakeImageCache::queryImageForKey(
    const ILCacheKey& key, ILLoadOptions, const ILContext&, ILImageCacheQueryCompletionBlock completion)
{
    std::unique_lock lock(mutex_);
    const std::string text = key ? key->utf8() : std::string();
    queries.push_back(text);
    const auto it = images.find(text);
    const ILImageRef found = it == images.end() ? nullptr : it->second;
    auto answer
        = [completion, found] { completion(found, nullptr, found ? ILCacheTypeMemory : ILCacheTypeNone); };
    if (!holdQueries) {
        lock.unlock();
        answer();
        return nullptr;
    }
    held_.push_back(answer);
    return std::make_shared<FlagOperation>(std::make_shared<std::atomic<bool>>(false));
}

void FakeImageCache::answerQueries()
{
    std::vector<std::function<void()>> pending;
    {
        std::lock_guard lock(mutex_);
        pending.swap(held_);
    }
    for (auto& answer : pending)
        answer();
}

void FakeImageCache::storeImage(const ILImageRef& image, const foundation::Ref<foundation::Data>& imageData,
    const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion)
{
    std::unique_lock lock(mutex_);
    stores.push_back({ image, imageData, key ? key->utf8() : std::string(), cacheType });
    if (key && (cacheType == ILCacheTypeMemory || cacheType == ILCacheTypeAll))
        images[key->utf8()] = image;
    lock.unlock();
    if (completion)
        completion();
}

void FakeImageCache::removeImageForKey(const ILCacheKey& key, ILCacheType, ILWebNoParamsBlock completion)
{
    removals.push_back(key ? key->utf8() : std::string());
    if (key)
        images.erase(key->utf8());
    if (completion)
        completion();
}

void FakeImageCache::containsImageForKey(
    const ILCacheKey& key, ILCacheType, ILImageCacheContainsCompletionBlock completion)
{
    if (completion)
        completion(key && images.contains(key->utf8()) ? ILCacheTypeMemory : ILCacheTypeNone);
}

void FakeImageCache::clearWithCacheType(ILCacheType, ILWebNoParamsBlock completion)
{
    ++clears;
    images.clear();
    if (completion)
        completion();
}

std::shared_ptr<ILWebOperation> FakeImageLoader::requestImageWithURL(
    const foundation::Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context,
    ILImageLoaderProgressBlock, ILImageLoaderCompletedBlock completed)
{
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(mutex_);
    requests.push_back({ url, options, context, std::move(completed), cancelled });
    return std::make_shared<FlagOperation>(cancelled);
}

bool FakeImageLoader::shouldBlockFailedURLWithURL(
    const foundation::Ref<foundation::URL>&, const foundation::Ref<foundation::Error>& error)
{
    return error && error->code() == ILWebErrorBadImageData;
}

std::size_t FakeImageLoader::requestCount() const
{
    std::lock_guard lock(mutex_);
    return requests.size();
}

void FakeImageLoader::reset()
{
    std::vector<Request> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(requests);
}

FakeImageLoader::Request FakeImageLoader::request(std::size_t index) const
{
    std::lock_guard lock(mutex_);
    return requests.at(index);
}

} // namespace imagetest
