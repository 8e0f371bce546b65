#include "Lib/ImageLoading/ILImageCachesManager.h"

#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageCachesManagerOperation.h"

#include <algorithm>

using foundation::Data;
using foundation::Ref;

namespace {

// One answer wins: the first that claims the operation passes its answer on.
bool claim(const std::shared_ptr<ILImageCachesManagerOperation>& operation, std::mutex& lock)
{
    std::lock_guard guard(lock);
    if (operation->isCancelled() || operation->isFinished())
        return false;
    operation->done();
    return true;
}

// A request walked over the caches: serial (each after the previous answered) or concurrent.
// `found` tells whether an answer ends the walk; `answer` passes it on; `none` is the answer when
// no cache had one.
template <class Answer> struct Spread : std::enable_shared_from_this<Spread<Answer>> {
    using Ask = std::function<void(ILImageCacheProtocol& cache, std::function<void(Answer)> reply)>;
    std::vector<std::shared_ptr<ILImageCacheProtocol>> caches;
    std::shared_ptr<ILImageCachesManagerOperation> operation
        = std::make_shared<ILImageCachesManagerOperation>();
    std::mutex lock;
    Ask ask;
    std::function<bool(const Answer&)> found;
    std::function<void(Answer)> answer;
    Answer none;

    void serial(std::size_t index)
    {
        if (index == caches.size()) {
            if (claim(operation, lock))
                answer(none);
            return;
        }
        auto self = this->shared_from_this();
        ask(*caches[index], [self, index](Answer reply) {
            if (self->operation->isCancelled() || self->operation->isFinished())
                return;
            self->operation->completeOne();
            if (self->found(reply)) {
                if (claim(self->operation, self->lock))
                    self->answer(std::move(reply));
                return;
            }
            self->serial(index + 1);
        });
    }

    void concurrent()
    {
        auto self = this->shared_from_this();
        for (const auto& cache : caches) {
            ask(*cache, [self](Answer reply) {
                {
                    std::lock_guard guard(self->lock);
                    if (self->operation->isCancelled() || self->operation->isFinished())
                        return;
                    self->operation->completeOne();
                }
                if (self->found(reply)) {
                    if (claim(self->operation, self->lock))
                        self->answer(std::move(reply));
                } else if (self->operation->pendingCount() == 0 && claim(self->operation, self->lock)) {
                    self->answer(self->none);
                }
            });
        }
    }
};

// Starts a query or contains request over several caches and returns its handle.
template <class Answer>
std::shared_ptr<ILImageCachesManagerOperation> startSpread(
    std::vector<std::shared_ptr<ILImageCacheProtocol>> caches, ILCachesPolicy policy,
    typename Spread<Answer>::Ask ask, std::function<bool(const Answer&)> found,
    std::function<void(Answer)> answer, Answer none)
{
    auto spread = std::make_shared<Spread<Answer>>();
    spread->caches = std::move(caches);
    spread->ask = std::move(ask);
    spread->found = std::move(found);
    spread->answer = std::move(answer);
    spread->none = std::move(none);
    spread->operation->beginWithTotalCount(static_cast<long>(spread->caches.size()));
    auto operation = spread->operation;
    if (policy == ILCachesPolicy::Concurrent)
        spread->concurrent();
    else
        spread->serial(0);
    return operation;
}

struct QueryAnswer {
    ILImageRef image;
    Ref<Data> data;
    ILCacheType type = ILCacheTypeNone;
};

} // namespace

std::shared_ptr<ILImageCachesManager> ILImageCachesManager::sharedManager()
{
    static const auto manager = create();
    return manager;
}

std::shared_ptr<ILImageCachesManager> ILImageCachesManager::create()
{
    auto manager = std::make_shared<ILImageCachesManager>();
    manager->caches_.push_back(ILImageCache::sharedImageCache());
    return manager;
}

std::vector<std::shared_ptr<ILImageCacheProtocol>> ILImageCachesManager::caches() const
{
    std::lock_guard lock(cachesLock_);
    return caches_;
}

void ILImageCachesManager::setCaches(const std::vector<std::shared_ptr<ILImageCacheProtocol>>& caches)
{
    std::lock_guard lock(cachesLock_);
    caches_.clear();
    for (const auto& cache : caches)
        if (cache)
            caches_.push_back(cache);
}

void ILImageCachesManager::addCache(const std::shared_ptr<ILImageCacheProtocol>& cache)
{
    if (!cache)
        return;
    std::lock_guard lock(cachesLock_);
    caches_.push_back(cache);
}

void ILImageCachesManager::removeCache(const std::shared_ptr<ILImageCacheProtocol>& cache)
{
    std::lock_guard lock(cachesLock_);
    std::erase(caches_, cache);
}

ILImageCachesManager::Caches ILImageCachesManager::pick(const Caches& all, ILCachesPolicy policy)
{
    if (all.size() <= 1)
        return all;
    switch (policy) {
    case ILCachesPolicy::HighestOnly:
        return { all.back() };
    case ILCachesPolicy::LowestOnly:
        return { all.front() };
    default:
        return Caches(all.rbegin(), all.rend());
    }
}

void ILImageCachesManager::runEach(
    ILCachesPolicy policy, const Request& request, ILWebNoParamsBlock completion) const
{
    const Caches caches = pick(this->caches(), policy);
    if (caches.empty())
        return;
    const bool serial = policy != ILCachesPolicy::Concurrent;
    if (serial) {
        struct Walk {
            Caches caches;
            Request request;
            ILWebNoParamsBlock completion;
            static void step(const std::shared_ptr<Walk>& walk, std::size_t index)
            {
                if (index == walk->caches.size()) {
                    if (walk->completion)
                        walk->completion();
                    return;
                }
                walk->request(*walk->caches[index], [walk, index] { step(walk, index + 1); });
            }
        };
        Walk::step(std::make_shared<Walk>(Walk { caches, request, std::move(completion) }), 0);
        return;
    }
    auto pending = std::make_shared<std::atomic<std::size_t>>(caches.size());
    for (const auto& cache : caches)
        request(*cache, [pending, completion] {
            if (pending->fetch_sub(1) == 1 && completion)
                completion();
        });
}

std::shared_ptr<ILWebOperation> ILImageCachesManager::queryImageForKey(const ILCacheKey& key,
    ILLoadOptions options, const ILContext& context, ILImageCacheQueryCompletionBlock completion)
{
    if (!key)
        return nullptr;
    const ILCachesPolicy policy = queryOperationPolicy;
    const Caches caches = pick(this->caches(), policy);
    if (caches.empty())
        return nullptr;
    if (caches.size() == 1)
        return caches.front()->queryImageForKey(key, options, context, std::move(completion));
    return startSpread<QueryAnswer>(
        caches, policy,
        [key, options, context](ILImageCacheProtocol& cache, std::function<void(QueryAnswer)> reply) {
            cache.queryImageForKey(key, options, context,
                [reply](const ILImageRef& image, const Ref<Data>& data, ILCacheType type) {
                    reply({ image, data, type });
                });
        },
        [](const QueryAnswer& reply) { return reply.image != nullptr; },
        [completion](QueryAnswer reply) {
            if (completion)
                completion(reply.image, reply.data, reply.type);
        },
        QueryAnswer {});
}

void ILImageCachesManager::containsImageForKey(
    const ILCacheKey& key, ILCacheType cacheType, ILImageCacheContainsCompletionBlock completion)
{
    if (!key)
        return;
    const ILCachesPolicy policy = containsOperationPolicy;
    const Caches caches = pick(this->caches(), policy);
    if (caches.empty())
        return;
    if (caches.size() == 1)
        return caches.front()->containsImageForKey(key, cacheType, std::move(completion));
    startSpread<ILCacheType>(
        caches, policy,
        [key, cacheType](ILImageCacheProtocol& cache, std::function<void(ILCacheType)> reply) {
            cache.containsImageForKey(key, cacheType, [reply](ILCacheType type) { reply(type); });
        },
        [](const ILCacheType& type) { return type != ILCacheTypeNone; },
        [completion](ILCacheType type) {
            if (completion)
                completion(type);
        },
        ILCacheTypeNone);
}

void ILImageCachesManager::storeImage(const ILImageRef& image, const Ref<Data>& imageData,
    const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion)
{
    if (!key)
        return;
    runEach(
        storeOperationPolicy.load(),
        [image, imageData, key, cacheType](ILImageCacheProtocol& cache, ILWebNoParamsBlock next) {
            cache.storeImage(image, imageData, key, cacheType, std::move(next));
        },
        std::move(completion));
}

void ILImageCachesManager::storeImageForLoad(const ILImageRef& image, const Ref<Data>& imageData,
    const ILCacheKey& key, ILCacheType cacheType, const ILContext& context, ILWebNoParamsBlock completion)
{
    if (!key)
        return;
    runEach(
        storeOperationPolicy.load(),
        [image, imageData, key, cacheType, context](ILImageCacheProtocol& cache, ILWebNoParamsBlock next) {
            cache.storeImageForLoad(image, imageData, key, cacheType, context, std::move(next));
        },
        std::move(completion));
}

void ILImageCachesManager::removeImageForKey(
    const ILCacheKey& key, ILCacheType cacheType, ILWebNoParamsBlock completion)
{
    if (!key)
        return;
    runEach(
        removeOperationPolicy.load(),
        [key, cacheType](ILImageCacheProtocol& cache, ILWebNoParamsBlock next) {
            cache.removeImageForKey(key, cacheType, std::move(next));
        },
        std::move(completion));
}

void ILImageCachesManager::clearWithCacheType(ILCacheType cacheType, ILWebNoParamsBlock completion)
{
    runEach(
        clearOperationPolicy.load(),
        [cacheType](ILImageCacheProtocol& cache, ILWebNoParamsBlock next) {
            cache.clearWithCacheType(cacheType, std::move(next));
        },
        std::move(completion));
}
