#pragma once

#include "Platform/Foundation/Object.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace foundation {

class Data;
class Error;

// Reads what KeyedArchiver writes (and archives of the platform's keyed archiver made of the same
// kinds of objects). Damaged input never raises: a reference that points nowhere, nesting deeper
// than 512 levels, or a class that is not registered or does not adopt Coding decodes as nil and
// marks the unarchiver failed (NSCocoaErrorDomain 4864); the convenience functions then answer nil.
// An object that refers back to one still being read (a loop, which shared ownership could never
// free) counts as damage too: objects that need a back reference rebuild it after decoding.
//
// Not thread-safe: one unarchiver belongs to one thread while it decodes.
class KeyedUnarchiver {
public:
    // nil (and the error) when the bytes are not a keyed archive, or when they would unfold past
    // the property-list read budget for their size (shared objects counted once per reference).
    static std::unique_ptr<KeyedUnarchiver> create(const Data& data, Ref<Error>* error = nullptr);
    ~KeyedUnarchiver();
    KeyedUnarchiver(const KeyedUnarchiver&) = delete;
    KeyedUnarchiver& operator=(const KeyedUnarchiver&) = delete;

    // At the top level these read "$top"; inside initWithCoder, the object being read. Missing
    // keys answer nil, NO, 0.
    Id decodeObjectForKey(std::string_view key);
    bool decodeBoolForKey(std::string_view key);
    int decodeIntForKey(std::string_view key);
    long long decodeIntegerForKey(std::string_view key);
    double decodeDoubleForKey(std::string_view key);
    bool containsValueForKey(std::string_view key) const;

    bool failed() const;
    Ref<Error> error() const; // nil unless failed()

    // The object under `key` ("root" by default); nil (and the error) when the archive is
    // unreadable or anything in it was damaged.
    static Id unarchiveObjectWithData(
        const Data& data, Ref<Error>* error = nullptr, std::string_view key = "root");
    static Id unarchiveObjectWithFile(
        const std::filesystem::path& path, Ref<Error>* error = nullptr, std::string_view key = "root");

    struct State;

private:
    explicit KeyedUnarchiver(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace foundation
