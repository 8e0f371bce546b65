#pragma once

// Internal to Storage: the libplist side of the keyed archive and the defaults file. Kept out of
// public headers so that users of Storage never see libplist.

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Object.h"

#include <memory>
#include <optional>
#include <plist/plist.h>
#include <string>
#include <string_view>

namespace foundation::detail {

struct PlistDeleter {
    void operator()(plist_t node) const
    {
        if (node)
            plist_free(node);
    }
};
// An owned tree; ownership passes to libplist when a node is inserted into a container.
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Nesting deeper than this is treated as damaged input.
inline constexpr int kMaxPlistDepth = 512;

// The node for a number: booleans as booleans, reals as reals, integers as integers. Unsigned
// values above the signed 64-bit range become reals (libplist 2.2 cannot write them as integers).
plist_t plistNumber(const Object& number);
// The node for a date, in seconds since 2001-01-01.
plist_t plistDate(double secondsSince1970);
double dateSeconds1970(plist_t dateNode);

// A whole property-list value: strings, numbers, data, dates, arrays and dictionaries with string
// keys. nullptr when something inside is none of these (`offender` then names its class).
PlistPtr plistFromObject(const Id& object, std::string* offender = nullptr, int depth = 0);
// The objects of a property-list tree, immutable; nil for a node of another type (UIDs) or past
// the depth limit.
Id objectFromPlist(plist_t node, int depth = 0);

// The text of a string node ("" for other nodes).
std::string plistString(plist_t node);

// Parses binary or XML property-list bytes; nullptr when they are not one.
PlistPtr parsePlist(std::string_view bytes);
// Binary property-list bytes of a tree.
Ref<Data> binaryPlistData(plist_t node);

} // namespace foundation::detail
