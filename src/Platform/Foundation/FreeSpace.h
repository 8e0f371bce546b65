#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace foundation {

// Bytes an unprivileged process may still write on the file system that holds `path`, or that
// will hold it: its nearest existing parent. nullopt when that cannot be told.
std::optional<std::uint64_t> freeBytesAt(const std::string& path);

} // namespace foundation
