#pragma once

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

// Turns a dictionary into keyed-archive data (root key "listData") and back. One shared instance.
class KXTransformer {
public:
    static KXTransformer& sharedKXTransformer();

    foundation::Ref<foundation::Data> returnDataWithDictionary(const foundation::Id& object) const;
    // The object stored under "listData", or nil when the file or data is no such archive.
    foundation::Id returnDictionaryWithDataPath(const foundation::Ref<foundation::String>& path) const;
    foundation::Id returnDictionaryWithData(const foundation::Ref<foundation::Data>& data) const;
    // The object's pretty-printed JSON text; with `model` set, its line breaks are removed.
    static foundation::Ref<foundation::String> returnStringWithDictionary(const foundation::Id& object, bool model);

    KXTransformer(const KXTransformer&) = delete;
    KXTransformer& operator=(const KXTransformer&) = delete;

private:
    KXTransformer() = default;
};

inline constexpr const char* kKXArchiveRootKey = "listData";
