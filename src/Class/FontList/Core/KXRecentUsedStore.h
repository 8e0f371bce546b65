#pragma once

#include "Platform/Foundation/Object.h"

#include <string>
#include <string_view>
#include <vector>

// The recently used list "activeUsed": a keyed archive of a dictionary in the small-state store
// (KXFileManager), whose "active" entry is a text of decimal font ids joined by ",". Only the list
// changes here; the dictionary's other entries are written back as they were read. The main
// window replaces the whole archive with the service's own list when the recently used tab opens.
//
// A font used again moves to the front. An archive that is missing or unreadable, or whose
// "active" is no text, counts as an empty list; a stored empty text is one empty entry, kept
// behind the ids put in front of it.
//
// Thread-safety: reads and writes the archive on the calling thread, except the service's list,
// which is written in the background (a read or a write after it waits for it); the font lists
// call it on the main thread.
class KXRecentUsedStore {
public:
    static constexpr const char* kArchiveKey = "activeUsed";
    static constexpr const char* kActiveKey = "active";

    // Puts the id (decimal text) at the front of the list and writes the archive.
    static void addRecentUsed(std::string_view fontid);
    // Replaces the archive with the service's list: of its reply payload, "active" alone is kept.
    static void replaceWithServiceList(const foundation::Id& payload);
    // The stored list, in order.
    static std::vector<std::string> recentIds();
};
