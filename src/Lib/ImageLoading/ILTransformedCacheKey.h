#pragma once

#include "Platform/Foundation/Object.h"

namespace foundation {
class String;
}

// The cache key of a transformed image: the transformer key joined to the load's key before the
// key's extension ("abc" → "abc-K", "/tmp/x.png" → "/tmp/x-K.png"); in a URL only the path changes,
// so query and fragment stay where they were. nil when either key is nil. Thread-safe.
foundation::Ref<foundation::String> ILTransformedCacheKey(const foundation::Ref<foundation::String>& key,
    const foundation::Ref<foundation::String>& transformerKey);
