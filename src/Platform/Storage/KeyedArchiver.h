#pragma once

#include "Platform/Foundation/Object.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace foundation {

class Data;
class Error;

// Writes objects by key into the platform's keyed-archive layout: a binary property list with
// "$archiver" = "NSKeyedArchiver", "$version" = 100000, "$top" (the top-level keys) and
// "$objects" ("$null" first, then each object once, referenced by UID; class descriptions carry
// "$classname" and "$classes").
//
// Strings, numbers, data, dates, URLs, Null, errors, arrays, dictionaries and sets are written the way
// the platform writes them; any other object must adopt Coding. An object met twice (by
// identity) is written once and referenced twice. An object that can be neither is a misuse
// (NSInvalidArgumentException, the platform's "unrecognized selector" text); with a guard it is
// written as nil.
//
// Not thread-safe: one archiver belongs to one thread while it encodes.
class KeyedArchiver {
public:
    KeyedArchiver();
    ~KeyedArchiver();
    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

    // At the top level these go to "$top"; inside encodeWithCoder, to the object being written.
    void encodeObject(const Id& object, std::string_view key);
    void encodeBool(bool value, std::string_view key);
    void encodeInt(int value, std::string_view key);
    void encodeInteger(long long value, std::string_view key);
    void encodeDouble(double value, std::string_view key);

    // Ends the archive and answers its bytes; later calls answer the same bytes.
    Ref<Data> encodedData();

    static constexpr std::string_view kRootKey = "root";
    // An archive of one object under "root".
    static Ref<Data> archivedDataWithRootObject(const Id& root);
    // The same archive written to `path` atomically; false (and the error) when writing fails.
    static bool archiveRootObject(
        const Id& root, const std::filesystem::path& path, Ref<Error>* error = nullptr);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace foundation
