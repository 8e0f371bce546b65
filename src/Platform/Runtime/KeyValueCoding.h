#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>
#include <string_view>

namespace foundation {
class Array;
class Dictionary;
} // namespace foundation

namespace runtime {

// Key-value coding over registered properties and the Foundation containers.
//
// A key names a registered property of the receiver's class or of a superclass; a property's
// custom getter name and its backing variable name ("_fontid") are accepted as well. Scalars are
// boxed as numbers on the way out; on the way in, scalar properties accept numbers and numeric
// strings (parsed with the string's own rules). A nil receiver answers nil and ignores writes.
//
// Dictionaries: valueForKey reads the entry ("@count" is the count); a mutable dictionary's
// setValueForKey sets the entry, nil removes it. Arrays and sets map valueForKey over their
// elements (nil results become Null; "@count" is the count) and pass setValueForKey to each.
//
// Misuse goes through foundation::misuse() with the platform's names and reasons:
//   unknown key      NSUnknownKeyException "[<KXFoo 0x...> valueForUndefinedKey:]: this class is
//                    not key value coding-compliant for the key bar." (setValue:forUndefinedKey:
//                    when writing)
//   nil into scalar  NSInvalidArgumentException "[<KXFoo 0x...> setNilValueForKey]: could not set
//                    nil as the value for the key count."
// unless the class (or a superclass) installs its own hook for the case.
foundation::Id valueForKey(const foundation::Id& object, std::string_view key);
void setValueForKey(const foundation::Id& object, const foundation::Id& value, std::string_view key);
foundation::Id valueForKeyPath(const foundation::Id& object, std::string_view keyPath);
void setValueForKeyPath(const foundation::Id& object, const foundation::Id& value, std::string_view keyPath);
// Each entry through setValueForKey; a Null value stands for nil.
void setValuesForKeysWithDictionary(const foundation::Id& object, const foundation::Dictionary& keyedValues);
// The value of each key (string elements of `keys`); nil values become Null.
foundation::Ref<foundation::Dictionary> dictionaryWithValuesForKeys(
    const foundation::Id& object, const foundation::Array& keys);

// Per-class replacements for the default reactions; an empty member inherits the superclass's
// hook, and with none the default raises as described above.
struct KeyValueCodingHooks {
    std::function<foundation::Id(const foundation::Object& self, std::string_view key)> valueForUndefinedKey;
    std::function<void(foundation::Object& self, const foundation::Id& value, std::string_view key)>
        setValueForUndefinedKey;
    std::function<void(foundation::Object& self, std::string_view key)> setNilValueForKey;
};
// Replaces the hooks of `cls` (not of its superclasses). Meant for set-up time; safe at any time.
void setKeyValueCodingHooks(const foundation::Class* cls, KeyValueCodingHooks hooks);

} // namespace runtime
