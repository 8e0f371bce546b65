#pragma once

#include "Lib/ImageLoading/ILWebCacheKeyFilterProtocol.h"

#include <functional>

// A cache key filter that answers with a block (nil without one).
class ILWebCacheKeyFilter final : public ILWebCacheKeyFilterProtocol {
public:
    using Block
        = std::function<foundation::Ref<foundation::String>(const foundation::Ref<foundation::URL>& url)>;

    static foundation::Ref<ILWebCacheKeyFilter> cacheKeyFilterWithBlock(Block block);
    explicit ILWebCacheKeyFilter(Block block = {})
        : block_(std::move(block))
    {
    }
    foundation::Ref<foundation::String> cacheKeyForURL(
        const foundation::Ref<foundation::URL>& url) const override;

private:
    const Block block_;
};
