#pragma once

#include "Platform/Foundation/Object.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace foundation {

class Data;
class Error;

// Reading options, as the platform numbers them.
enum JSONReadingOptions : unsigned {
    JSONReadingMutableContainers = 1u << 0, // arrays and dictionaries come back mutable
    JSONReadingMutableLeaves = 1u << 1,     // strings come back mutable
    JSONReadingFragmentsAllowed = 1u << 2,  // a top-level value that is no array or dictionary
};

// Bounds on what one JSON text may become: its nesting, its elements (every value and every key of
// a dictionary) and the bytes of its strings and keys as they stand in the text. A text past any
// of them is refused before anything is built, with the error of a malformed text (3840), so that
// the memory a caller gives a text stays bounded whatever the text holds. Empty containers count
// as one element; the top-level value is at depth 1.
struct JSONReadingLimits {
    std::size_t maxDepth = SIZE_MAX;
    std::size_t maxElements = SIZE_MAX;
    std::size_t maxStringBytes = SIZE_MAX;
};

// Writing options, as the platform numbers them.
enum JSONWritingOptions : unsigned {
    JSONWritingPrettyPrinted = 1u << 0,          // two-space indent, " : " between key and value
    JSONWritingSortedKeys = 1u << 1,             // keys in ascending order of their UTF-16 units
    JSONWritingFragmentsAllowed = 1u << 2,       // a top-level string, number or null
    JSONWritingWithoutEscapingSlashes = 1u << 3, // "/" stays as it is
};

// JSON text to and from Foundation values, with the platform's contract.
//
// Reading: integers that fit a long long become LongLong numbers, larger unsigned ones
// UnsignedLongLong, anything wider a Double; reals are Doubles, true/false BOOL numbers, null the
// Null object. Nesting deeper than kMaxDepth, invalid UTF-8, trailing garbage and every other
// malformation give nil and an error in NSCocoaErrorDomain with code 3840 whose description is the
// platform's text (English, or Chinese when the process language is Chinese) and whose
// NSDebugDescription says what was wrong. A nil data pointer is a programming error
// (NSInvalidArgumentException through misuse(); nil when a guard answers).
//
// Writing: "/" is written as "\/", control characters as \uXXXX (\b \f \n \r \t short), other
// characters as UTF-8; integers exactly, doubles (and floats, as floats) in the shortest text that
// reads back to the same value, in fixed notation unless the exponent is below -4 or above 16
// ("0.1", "100", "1e+20"), BOOL numbers as true/false. The pretty form writes an empty array or
// dictionary with an empty line inside ("[\n\n]"), as the platform does. What the platform raises for goes through misuse() as
// NSInvalidArgumentException: a top-level object that is not an array or dictionary (without
// JSONWritingFragmentsAllowed), a key that is not a string, a NaN or infinite number, and a value
// of any other class. When a guard answers instead, the result is nil with an error in
// NSCocoaErrorDomain, code 3852.
//
// All functions are safe to call from any thread at once.
class JSONSerialization {
public:
    static constexpr std::size_t kMaxDepth = 512;
    static constexpr long long kReadCorruptError = 3840;
    static constexpr long long kWriteInvalidError = 3852;

    static Id JSONObjectWithData(const Ref<Data>& data, unsigned options, Ref<Error>* error = nullptr);
    static Id JSONObjectWithData(const Data* data, unsigned options, Ref<Error>* error = nullptr);
    // The same, refused past `limits` (besides kMaxDepth, which always holds).
    static Id JSONObjectWithData(const Data* data, unsigned options, const JSONReadingLimits& limits, Ref<Error>* error = nullptr);
    // The JSON text of a regular file of at most `maxLength` bytes, read once into the one buffer
    // the parser reads in place (text in UTF-16 or UTF-32 is converted first). A file that cannot
    // be read gives nil and the error Data::dataWithContentsOfRegularFile gives for it, a larger
    // one NSFileReadTooLargeError before anything is read; a file that grows while it is read is
    // refused (NSFileReadUnknownError, underlying EAGAIN), as the text read is not all of it.
    static Id JSONObjectWithContentsOfFile(const std::filesystem::path& path, std::uintmax_t maxLength,
                                           unsigned options, Ref<Error>* error = nullptr);
    static Ref<Data> dataWithJSONObject(const Id& object, unsigned options, Ref<Error>* error = nullptr);
    // True when dataWithJSONObject would succeed without FragmentsAllowed: an array or dictionary
    // of strings, finite numbers, Null, and arrays and dictionaries with string keys.
    static bool isValidJSONObject(const Id& object);
};

} // namespace foundation
