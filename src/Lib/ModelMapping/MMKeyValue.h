#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Class.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

#include <string>

namespace mm {

// Dictionaries (or JSON text or data) to model objects and back, property by property. No entry
// point raises: bad input gives nil (or the receiver unchanged) and leaves an error on the class
// concerned (mm_error), whose domain is the message and whose code is 250.
//
// `context` stands where the platform passes a managed-object context; there is no such store on
// this platform, so it is accepted and never acted on.

inline constexpr long long MMErrorCode = 250;

// Instance side.
foundation::Id mm_setKeyValues(const foundation::Id& object, const foundation::Id& keyValues,
                               const foundation::Id& context = {});
foundation::Id mm_keyValues(const foundation::Id& object);
foundation::Id mm_keyValuesWithKeys(const foundation::Id& object, const foundation::Ref<foundation::Array>& keys);
foundation::Id mm_keyValuesWithIgnoredKeys(const foundation::Id& object, const foundation::Ref<foundation::Array>& ignoredKeys);
// A mutable dictionary for a model; the object itself for a platform object.
foundation::Id mm_keyValuesWithKeys(const foundation::Id& object, const foundation::Ref<foundation::Array>& keys,
                                    const foundation::Ref<foundation::Array>& ignoredKeys);
foundation::Id mm_JSONObject(const foundation::Id& object);
// nil when the object's dictionary form holds values JSON cannot carry.
foundation::Ref<foundation::Data> mm_JSONData(const foundation::Id& object);
foundation::Ref<foundation::String> mm_JSONString(const foundation::Id& object);

// Class side.
foundation::Id mm_objectWithKeyValues(const foundation::Class* cls, const foundation::Id& keyValues,
                                      const foundation::Id& context = {});
foundation::Id mm_objectWithFilename(const foundation::Class* cls, const foundation::Id& filename);
foundation::Id mm_objectWithFile(const foundation::Class* cls, const foundation::Id& file);
foundation::Ref<foundation::MutableArray> mm_objectArrayWithKeyValuesArray(const foundation::Class* cls,
                                                                          const foundation::Id& keyValuesArray,
                                                                          const foundation::Id& context = {});
foundation::Ref<foundation::MutableArray> mm_objectArrayWithFilename(const foundation::Class* cls, const foundation::Id& filename);
foundation::Ref<foundation::MutableArray> mm_objectArrayWithFile(const foundation::Class* cls, const foundation::Id& file);
foundation::Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArray(const foundation::Class* cls,
                                                                          const foundation::Id& objectArray);
foundation::Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArray(const foundation::Class* cls,
                                                                          const foundation::Id& objectArray,
                                                                          const foundation::Ref<foundation::Array>& keys);
foundation::Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArrayIgnoredKeys(
    const foundation::Class* cls, const foundation::Id& objectArray, const foundation::Ref<foundation::Array>& ignoredKeys);
foundation::Ref<foundation::MutableArray> mm_keyValuesArrayWithObjectArray(const foundation::Class* cls,
                                                                          const foundation::Id& objectArray,
                                                                          const foundation::Ref<foundation::Array>& keys,
                                                                          const foundation::Ref<foundation::Array>& ignoredKeys);

// Typed convenience for callers that know the model class: the objects as T (non-T dropped).
template <foundation::ObjectType T>
std::vector<foundation::Ref<T>> mm_objectsOfClass(const foundation::Ref<foundation::Array>& objects)
{
    std::vector<foundation::Ref<T>> typed;
    if (objects)
        for (const auto& object : *objects)
            if (auto model = object.as<T>())
                typed.push_back(std::move(model));
    return typed;
}

} // namespace mm
