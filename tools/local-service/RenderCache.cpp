#include "local-service/RenderCache.h"

namespace localservice {

RenderCache::RenderCache(std::size_t pngBytes, std::size_t faces)
    : pngLimit_(pngBytes)
    , faceLimit_(faces)
{
}

RenderCache::~RenderCache() = default;

std::shared_ptr<const std::string> RenderCache::png(
    int64_t fontid, bool night, const std::string& text, const Render& render)
{
    PngKey key { fontid, night, text };
    {
        std::lock_guard lock(mutex_);
        if (const auto found = pngIndex_.find(key); found != pngIndex_.end()) {
            pngs_.splice(pngs_.begin(), pngs_, found->second);
            return found->second->bytes;
        }
    }
    // Rendered outside the lock: other previews are served meanwhile.
    auto bytes = render();
    std::lock_guard lock(mutex_);
    ++pngsRendered_;
    if (!bytes || bytes->empty() || bytes->size() > pngLimit_ || pngIndex_.count(key))
        return bytes;
    pngs_.push_front(PngEntry { key, bytes });
    pngIndex_.emplace(std::move(key), pngs_.begin());
    pngBytes_ += bytes->size();
    while (pngBytes_ > pngLimit_) {
        const PngEntry& last = pngs_.back();
        pngBytes_ -= last.bytes->size();
        pngIndex_.erase(last.key);
        pngs_.pop_back();
    }
    return bytes;
}

std::shared_ptr<RenderCache::Face> RenderCache::face(const std::filesystem::path& file, int faceIndex)
{
    FaceKey key { file.string(), faceIndex };
    {
        std::lock_guard lock(mutex_);
        if (const auto found = faceIndex_.find(key); found != faceIndex_.end()) {
            faces_.splice(faces_.begin(), faces_, found->second);
            return found->second->second;
        }
    }
    auto opened = Face::open(file, faceIndex);
    if (!opened)
        return nullptr;
    std::lock_guard lock(mutex_);
    ++facesOpened_;
    if (const auto found = faceIndex_.find(key); found != faceIndex_.end())
        return found->second->second;
    faces_.emplace_front(key, opened);
    faceIndex_.emplace(std::move(key), faces_.begin());
    while (faces_.size() > faceLimit_) {
        // A face in use elsewhere stays alive through its holder's reference.
        faceIndex_.erase(faces_.back().first);
        faces_.pop_back();
    }
    return opened;
}

std::size_t RenderCache::pngCount() const
{
    std::lock_guard lock(mutex_);
    return pngs_.size();
}

std::size_t RenderCache::pngBytes() const
{
    std::lock_guard lock(mutex_);
    return pngBytes_;
}

std::size_t RenderCache::faceCount() const
{
    std::lock_guard lock(mutex_);
    return faces_.size();
}

std::size_t RenderCache::pngsRendered() const
{
    std::lock_guard lock(mutex_);
    return pngsRendered_;
}

std::size_t RenderCache::facesOpened() const
{
    std::lock_guard lock(mutex_);
    return facesOpened_;
}

} // namespace localservice
