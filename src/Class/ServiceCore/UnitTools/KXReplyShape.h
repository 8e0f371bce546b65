#pragma once

#include "Platform/Foundation/Object.h"

#include <string>
#include <utility>
#include <vector>

// The part of a service reply that the client reads back, named key by key: what an archive kept
// from a reply holds, so that whatever else a reply carries (lists the client never reads, keys it
// does not know) is neither written nor kept in memory with it.
//
// A field shape keeps a string, a number or null as it is; anything else under a field name is
// not kept. A dictionary shape keeps, of a dictionary, the named keys present, in the shape of
// each; of an array, each element that is a dictionary, so reduced. Kept containers are new
// immutable ones (strings and numbers are shared), safe to hand to another thread.
class KXReplyShape {
public:
    static KXReplyShape field() { return KXReplyShape(); }
    static KXReplyShape dictionary(std::vector<std::pair<std::string, KXReplyShape>> keys);

    // What the shape keeps of `value`; nil when nothing is.
    foundation::Id keep(const foundation::Id& value) const;

private:
    foundation::Id keepDictionary(const foundation::Id& value) const;

    std::vector<std::pair<std::string, KXReplyShape>> keys_; // empty: a field
};
