#pragma once

#include "Platform/Foundation/Object.h"

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

// Property lists in the XML and binary formats, read and written by our own codecs so that every
// value keeps its kind: negative integers and unsigned ones above the signed range, reals (exact
// in binary; 17 significant digits in XML, as the platform writes them), booleans, data, and dates
// (the exact seconds in binary; whole seconds in XML, as the format holds them).
//
// Reading detects the format (reported through `format`). Malformed, truncated, cyclic or
// over-deep input gives nil and an error in NSCocoaErrorDomain, code 3840, with the platform's
// description (see ReadError.h) and the detail in NSDebugDescription. XML is read with XMLParser,
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

    static Id propertyListWithData(const Ref<Data>& data, unsigned long options, PropertyListFormat* format = nullptr,
        Ref<Error>* error = nullptr);
    // `options` is reserved and must be 0, as on the platform.
    static Ref<Data> dataWithPropertyList(const Id& plist, PropertyListFormat format, unsigned long options = 0,
        Ref<Error>* error = nullptr);
    static bool propertyListIsValidForFormat(const Id& plist, PropertyListFormat format);
};

} // namespace foundation
