#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

// The chooser's and the re-pick sheet's `brandsDic`: every offer of every category by its
// "brand_id" (a later duplicate replaces an earlier one). A new brand list is indexed on a global
// background queue and swapped in on the main queue, so a lookup sees the previous table or the
// new one, never a partial one; of two indexings under way only the later one is swapped in.
//
// Lookups and rebuild() on the main thread; the owner keeps the lookup, and an indexing that
// ends after it is gone is dropped.
class KXBrandLookup {
public:
    using Table = std::unordered_map<std::string, foundation::Id>;

    KXBrandLookup();
    ~KXBrandLookup();
    KXBrandLookup(const KXBrandLookup&) = delete;
    KXBrandLookup& operator=(const KXBrandLookup&) = delete;

    // Indexes the categories' "brand_data"; `swapped` runs on the main queue once the new table
    // is in place.
    void getBlindBrandData(const foundation::Id& categories, std::function<void()> swapped = {});
    // The offer of that id in the current table, or nil.
    foundation::Id offerForBrandID(const std::string& brandID) const;
    std::size_t count() const;

    // The table of a brand list, built on the calling thread.
    static std::shared_ptr<const Table> index(const foundation::Id& categories);

private:
    struct State;
    std::shared_ptr<State> state_;
};
