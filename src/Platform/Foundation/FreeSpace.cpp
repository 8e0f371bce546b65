#include "Platform/Foundation/FreeSpace.h"

#include <cerrno>
#include <filesystem>
#include <sys/statvfs.h>

namespace foundation {

std::optional<std::uint64_t> freeBytesAt(const std::string& path)
{
    std::error_code error;
    std::filesystem::path probe = std::filesystem::absolute(path, error);
    if (error)
        return std::nullopt;
    for (;;) {
        struct statvfs space {};
        if (::statvfs(probe.c_str(), &space) == 0)
            return static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
        if (errno != ENOENT || !probe.has_relative_path())
            return std::nullopt;
        probe = probe.parent_path();
    }
}

} // namespace foundation
