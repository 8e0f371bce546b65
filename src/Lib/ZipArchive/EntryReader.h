#pragma once

#include "Lib/ZipArchive/CentralDirectory.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct zip;
struct zip_file;
struct z_stream_s;

// Reads one entry's uncompressed bytes through the zip library.
//
// WinZip AES entries of format version 2 carry no checksum (their authentication code protects
// them instead), but this library version still checks a checksum of 0 for entries of 20 bytes and
// more and rejects every such entry that other tools write. For those entries the library hands
// over the decrypted, still compressed bytes (verifying the authentication code at their end) and
// they are inflated here.
class EntryReader {
public:
    // nil when the library cannot open the entry; `zipError` then holds its code.
    static std::unique_ptr<EntryReader> open(zip* archive, std::uint64_t index, const CentralDirectory::Entry& entry,
                                             const std::string& password, int& zipError);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // Bytes read, 0 at the end, -1 on failure.
    std::int64_t read(char* buffer, std::size_t length);
    // After a failed read or close: whether the failure was a checksum (or authentication) mismatch.
    bool checksumFailed() const { return checksumFailed_; }
    // Closes the entry; false on a checksum mismatch found only now.
    bool close();

private:
    EntryReader(zip_file* file, bool inflating, std::uint64_t expectedSize);
    std::int64_t readInflated(char* buffer, std::size_t length);
    std::int64_t fail();

    zip_file* file_;
    std::unique_ptr<z_stream_s> stream_; // only while inflating here
    std::vector<char> input_;
    std::uint64_t expectedSize_;
    std::uint64_t produced_ = 0;
    bool streamEnded_ = false;
    bool checksumFailed_ = false;
};
