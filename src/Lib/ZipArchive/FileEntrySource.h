#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

struct zip;
struct zip_source;

// A zip library source that reads a file on disk when the archive is written. It insists on the
// size the file had when it was added: a file that shrank, grew or failed to read fails the
// archive instead of ending up as a silently truncated entry.
namespace FileEntrySource {

// nil when the library cannot make the source. `size` is the file's size when it was added.
zip_source* create(zip* archive, const std::string& path, std::uint64_t size);

} // namespace FileEntrySource
