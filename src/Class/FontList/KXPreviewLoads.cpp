#include "Class/FontList/KXPreviewLoads.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Graphics/Image.h"

#include <vector>

std::shared_ptr<KXPreviewLoads> KXPreviewLoads::create(Arrived arrived)
{
    return std::make_shared<KXPreviewLoads>(std::move(arrived));
}

KXPreviewLoads::KXPreviewLoads(Arrived arrived)
    : arrived_(std::move(arrived))
{
}

KXPreviewLoads::~KXPreviewLoads()
{
    const auto loads = std::move(loads_);
    for (const auto& [url, load] : loads)
        load->cancel();
}

foundation::Ref<graphics::Image> KXPreviewLoads::imageForURL(const std::string& url, const KXPreviewBox& box)
{
    const auto source = KXPreviewImageSource::shared();
    if (url.empty() || !source)
        return nullptr;
    if (auto image = source->cachedImage(url, box))
        return image;
    if (const auto partial = partial_.find(url); partial != partial_.end())
        return partial->second;
    if (const auto kept = uncached_.find(url); kept != uncached_.end())
        return kept->second;
    if (loads_.contains(url) || failed_.contains(url))
        return nullptr;
    const std::weak_ptr<KXPreviewLoads> weak = weak_from_this();
    started_ += 1;
    // A source may answer before load() returns (an image it had after all, a failure it knew):
    // the page hears of it on the main queue's next turn, never from inside the call that asked,
    // which may be its own paint or layout.
    const auto answered = std::make_shared<bool>(false);
    const auto asking = std::make_shared<bool>(true);
    // Held weakly: the source keeps this callback while the load runs.
    const std::weak_ptr<KXPreviewImageSource> weakSource = source;
    auto load = source->load(url, box,
        [weak, weakSource, url, box, answered, asking](const foundation::Ref<graphics::Image>& image, bool finished) {
            const auto self = weak.lock();
            if (!self)
                return;
            if (!finished) {
                if (image)
                    self->partial_[url] = image;
            } else {
                *answered = true;
                self->loads_.erase(url);
                self->partial_.erase(url);
                if (!image)
                    self->failed_.insert(url);
                else if (const auto answering = weakSource.lock();
                         !answering || !answering->cachedImage(url, box))
                    self->uncached_[url] = image; // else every repaint would load it again
            }
            if (!self->arrived_)
                return;
            if (!*asking) {
                self->arrived_(url);
                return;
            }
            dispatch::mainQueue().async([weak, url] {
                if (const auto loads = weak.lock(); loads && loads->arrived_)
                    loads->arrived_(url);
            });
        });
    *asking = false;
    if (load && !*answered)
        loads_.emplace(url, std::move(load));
    return nullptr;
}

void KXPreviewLoads::keepOnly(const std::unordered_set<std::string>& wanted, const std::unordered_set<std::string>& inView)
{
    std::erase_if(uncached_, [&](const auto& kept) { return !wanted.contains(kept.first); });
    // A failure may have been passing (the service was away): a row that comes back asks again.
    std::erase_if(failed_, [&](const std::string& url) { return !inView.contains(url); });
    // The loads leave the table before they are cancelled: a source may answer a cancel at once,
    // and that answer changes the table. What such an answer books is undone: a cancelled load did
    // not fail, and its row asks again when it comes back.
    std::vector<std::pair<std::string, std::shared_ptr<KXPreviewImageSource::Load>>> dropped;
    for (auto it = loads_.begin(); it != loads_.end();) {
        if (wanted.contains(it->first)) {
            ++it;
            continue;
        }
        partial_.erase(it->first);
        dropped.emplace_back(it->first, std::move(it->second));
        it = loads_.erase(it);
    }
    for (const auto& [url, load] : dropped) {
        load->cancel();
        failed_.erase(url);
        partial_.erase(url);
        uncached_.erase(url);
    }
}
