#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct zip;
struct zip_source;

// Zip library sources for new entries, read when the archive is written. Each states the entry's
// modification time, which the library also uses for the check byte of the traditional encryption
// (it must be the time written in the headers, or other tools reject the password).
namespace EntrySource {

// A file on disk. It insists on the size the file had when it was added: a file that shrank, grew
// or failed to read fails the archive instead of ending up as a silently truncated entry. With a
// `deflateLevel` of 1 to 9 a large file is handed over already deflated at that level, compressed
// on several threads; the entry must then be set to deflate at the same level.
zip_source* fromFile(zip* archive, const std::string& path, std::uint64_t size, std::time_t mtime,
                     int deflateLevel = 0);
// Bytes in memory, owned by the source.
zip_source* fromBytes(zip* archive, std::vector<std::uint8_t> bytes, std::time_t mtime);

} // namespace EntrySource
