#pragma once

#include "Platform/Foundation/Array.h"

// The font records of a collection record's "fonts": font dictionaries (a collection's detail)
// become records key by key; font ids (the user's own folders, whose "fonts" list ids) become the
// catalogue's records of those ids in the order of the list, ids the catalogue lacks giving none.
// Main thread (the catalogue answers synchronously).
class KXCollectionFonts {
public:
    static foundation::Ref<foundation::MutableArray> records(const foundation::Id& fonts);
};
