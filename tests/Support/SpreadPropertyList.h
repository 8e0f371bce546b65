#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace testsupport {

// Writes the binary property list `plist` as a file of exactly `size` bytes: its objects first,
// then a hole, then its offset table and trailer, the trailer pointing at the table's new place.
// The file reads as the same property list, so a reader that refuses it refuses it for its size
// alone; the hole takes no room on disk.
void writeSpreadPropertyList(const std::filesystem::path& path, std::string_view plist, std::uint64_t size);

} // namespace testsupport
