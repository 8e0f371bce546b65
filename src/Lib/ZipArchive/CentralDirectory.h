#pragma once

#include "Lib/ZipArchive/ZipTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The raw records of an archive's central directory. The zip library hides some of the fields the
// unpacker needs (the full "version made by", the general purpose flags, the DOS date and time),
// so they are read here straight from the file. Entries are in central directory order, which is
// the library's index order.
class CentralDirectory {
public:
    struct Entry {
        ZipEntryInfo info;
        std::string rawName; // the name's bytes as stored
        // WinZip AES entries (method 99): the format version (1 or 2) and the real method.
        std::uint16_t aesVersion = 0;
        std::uint16_t aesMethod = 0;
        std::uint64_t localHeaderOffset = 0; // where its local header starts in the file
    };

    // Reads `length` bytes at `offset` into `out`; false when they are not all there.
    using ReadAt = std::function<bool(std::uint64_t offset, std::size_t length, std::uint8_t* out)>;

    // nil when the end record or a directory record is missing or malformed.
    static std::optional<CentralDirectory> load(const ReadAt& readAt, std::uint64_t fileSize);
    static std::optional<CentralDirectory> loadFile(const std::string& path);

    const std::vector<Entry>& entries() const { return entries_; }
    std::uint16_t commentLength() const { return commentLength_; }

    // Whether every entry's local header and data lie in front of the directory and apart from
    // every other entry's. A zip bomb makes many records share one block of compressed data (or
    // one local header), so that a small file unpacks to many times its size; the library
    // accepts that. False too when a local header is missing.
    bool entriesAreDisjoint(const ReadAt& readAt) const;
    bool entriesAreDisjointInFile(const std::string& path) const;

private:
    bool parseRecords(const std::vector<std::uint8_t>& bytes, std::uint64_t count);

    std::vector<Entry> entries_;
    std::uint16_t commentLength_ = 0;
    // Where the records were found and where the end record says they are: data in front of the
    // archive moves every stored offset by the difference.
    std::uint64_t directoryStart_ = 0;
    std::uint64_t statedStart_ = 0;
};
