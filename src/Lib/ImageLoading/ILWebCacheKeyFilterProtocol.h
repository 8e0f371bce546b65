#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {
class String;
class URL;
} // namespace foundation

// Turns an image URL into its cache key; a load's context carries one under "cacheKeyFilter", and
// the decode functions read the key's scale marker from its answer. An object of the object model
// so that a context dictionary can hold it. Implementations may be called from any thread.
class ILWebCacheKeyFilterProtocol : public foundation::Object {
public:
    // The key for `url`; nil when there is none (the decode steps then read scale 1).
    virtual foundation::Ref<foundation::String> cacheKeyForURL(
        const foundation::Ref<foundation::URL>& url) const = 0;

protected:
    ILWebCacheKeyFilterProtocol() = default;
};
