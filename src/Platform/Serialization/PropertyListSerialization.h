#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <string_view>

namespace foundation {

class Data;
class Error;

// Formats, as the platform numbers them.
enum PropertyListFormat : unsigned long {
    PropertyListOpenStepFormat = 1, // recognised, neither read nor written
    PropertyListXMLFormat_v1_0 = 100,
    PropertyListBinaryFormat_v1_0 = 200,
};

// Reading options, as the platform numbers them.
enum PropertyListMutabilityOptions : unsigned long {
    PropertyListImmutable = 0,
    PropertyListMutableContainers = 1,          // arrays and dictionaries come back mutable
    PropertyListMutableContainersAndLeaves = 2, // strings and data too
};

// What one read may build. A binary property list shares objects by reference, so a few kilobytes
// can name millions of elements (an array of 4,000 references to an array of 4,000 references);
// read with mutable containers or leaves, each reference becomes a copy. The budget keeps the
// output linear in the input: every element placed in the result counts against `elements` (the
// root, container members, dictionary keys and values, each reference to a shared object again),
// every byte of a string or data copied into the result against `bytes`. Over either, the read
// fails with 3840.
struct PropertyListReadBudget {
    std::uint64_t elements = 0;
    std::uint64_t bytes = 0;

    // The default: 2 elements per input byte and 16 copied bytes per input byte, plus a small
    // allowance; a property list that shares no containers stays far below both.
    static constexpr PropertyListReadBudget forInputSize(std::uint64_t inputSize)
    {
        return {2 * inputSize + 4096, 16 * inputSize + (1u << 20)};
    }
};

// Property lists in the XML and binary formats, read and written by our own codecs so that every
// value keeps its kind: negative integers and unsigned ones above the signed range, reals (exact
// in binary; 17 significant digits in XML, as the platform writes them), booleans, data, and dates
// (the exact seconds in binary; whole seconds in XML, as the format holds them).
//
// Reading detects the format (reported through `format`). Malformed, truncated, cyclic or
// over-deep input, and input that would build more than the read's budget, gives nil and an error
// in NSCocoaErrorDomain, code 3840, with the platform's description (see ReadError.h) and the
// detail in NSDebugDescription; so does running out of memory. XML is read with XMLParser,
// so no network access, DTD or entity expansion takes place.
//
// Writing accepts strings, numbers, dates, data, arrays, and dictionaries with string keys; any
// other object (Null included) gives nil and an error with code 3852, and so does a string with a
// control character other than tab and line breaks in XML, which that format cannot hold (binary
// can); the OpenStep format gives code 3851. Safe to call from any thread.
class PropertyListSerialization {
public:
    static constexpr std::size_t kMaxDepth = 512;
    static constexpr long long kReadCorruptError = 3840;
    static constexpr long long kWriteStreamError = 3851;
    static constexpr long long kWriteInvalidError = 3852;

    // With the default budget for the data's size.
    static Id propertyListWithData(const Ref<Data>& data, unsigned long options, PropertyListFormat* format = nullptr,
        Ref<Error>* error = nullptr);
    static Id propertyListWithData(const Ref<Data>& data, unsigned long options, PropertyListFormat* format,
        Ref<Error>* error, const PropertyListReadBudget& budget);
    // Whether a reader that builds a tree, copying a shared object for every reference to it (as
    // the system's property-list library does), stays within the budget on these bytes. A binary
    // property list is measured without building anything, in time linear in its size; false,
    // with the reader's error (3840), when it would unfold past the budget or its structure is
    // malformed. Other input shares nothing and passes.
    static bool unfoldsWithinBudget(std::string_view bytes, const PropertyListReadBudget& budget,
        Ref<Error>* error = nullptr);
    // `options` is reserved and must be 0, as on the platform.
    static Ref<Data> dataWithPropertyList(const Id& plist, PropertyListFormat format, unsigned long options = 0,
        Ref<Error>* error = nullptr);
    static bool propertyListIsValidForFormat(const Id& plist, PropertyListFormat format);
};

} // namespace foundation
