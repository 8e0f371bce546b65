#pragma once

// Internal to Storage: the libplist side of the keyed archive. Kept out of
// public headers so that users of Storage never see libplist.

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Object.h"

#include <memory>
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

// Points the archiver's or unarchiver's current node at an object's dictionary while that object
// writes or reads itself, and back afterwards, also when a misuse raises in between.
class CurrentNode {
public:
    CurrentNode(plist_t& current, plist_t inner)
        : current_(current)
        , outer_(current)
    {
        current_ = inner;
    }
    ~CurrentNode() { current_ = outer_; }
    CurrentNode(const CurrentNode&) = delete;
    CurrentNode& operator=(const CurrentNode&) = delete;

private:
    plist_t& current_;
    plist_t outer_;
};

// Nesting deeper than this is treated as damaged input.
inline constexpr int kMaxPlistDepth = 512;

// The node for a number: booleans as booleans, reals as reals, integers as integers. Unsigned
// values above the signed 64-bit range become reals (libplist 2.2 cannot write them as integers).
plist_t plistNumber(const Object& number);

// The value of a leaf node: a string, a number (integers as long long, reals as double, booleans
// as BOOL) or data; nil for containers, dates, UIDs and nothing.
Id leafFromPlist(plist_t node);

// The text of a string node ("" for other nodes).
std::string plistString(plist_t node);

// Parses binary or XML property-list bytes; nullptr when they are not one, or when they would
// unfold past the read budget for their size (PropertyListSerialization::unfoldsWithinBudget;
// `failure` then says so).
PlistPtr parsePlist(std::string_view bytes, std::string* failure = nullptr);
// Binary property-list bytes of a tree.
Ref<Data> binaryPlistData(plist_t node);

} // namespace foundation::detail
