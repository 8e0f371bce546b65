#pragma once

#include "Platform/Foundation/Object.h"

#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// "<KXFoo 0x7f...>", the way the platform names a receiver in its exception reasons.
std::string receiverTag(const foundation::Object& object);

// Scalars out of a value handed to a setter. Numbers give their value as the platform's accessor
// would; strings are parsed with the string's own rules. Any other object is the platform's
// "unrecognized selector" (NSInvalidArgumentException through misuse()); then nullopt.
// `selector` is the accessor the platform would send ("intValue", "doubleValue", ...).
std::optional<long long> unboxSigned(const foundation::Id& value, std::string_view selector);
std::optional<unsigned long long> unboxUnsigned(const foundation::Id& value, std::string_view selector);
std::optional<double> unboxReal(const foundation::Id& value, std::string_view selector);
std::optional<bool> unboxBool(const foundation::Id& value);

// Reports an object of the wrong class for a typed object property; nullopt-style callers then
// keep the old value.
void reportWrongClass(const foundation::Id& value, std::string_view expectedClass, std::string_view key);

} // namespace runtime
