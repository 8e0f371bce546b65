#include "Platform/Foundation/FreeSpace.h"

#include <cerrno>
#include <filesystem>
#include <list>
#include <mutex>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <vector>

namespace foundation {

namespace {

// Calls `probe` on `path`, then on its parents until one exists; false when none answers.
template <typename Probe> bool probeNearest(const std::string& path, Probe probe)
{
    std::error_code error;
    std::filesystem::path at = std::filesystem::absolute(path, error);
    if (error)
        return false;
    for (;;) {
        if (probe(at.c_str()))
            return true;
        if (errno != ENOENT || !at.has_relative_path())
            return false;
        at = at.parent_path();
    }
}

std::optional<dev_t> deviceOf(const std::string& path)
{
    struct stat info { };
    if (!probeNearest(path, [&](const char* at) { return ::stat(at, &info) == 0; }))
        return std::nullopt;
    return info.st_dev;
}

struct Reclaimers {
    std::mutex mutex;
    std::list<std::shared_ptr<DiskRoomReclaimer>> list;
};

Reclaimers& reclaimers()
{
    // Never destroyed: a cache let go on a worker thread while the process exits still takes
    // itself out of the list.
    static auto* registry = new Reclaimers;
    return *registry;
}

} // namespace

std::optional<std::uint64_t> freeBytesAt(const std::string& path)
{
    struct statvfs space { };
    if (!probeNearest(path, [&](const char* at) { return ::statvfs(at, &space) == 0; }))
        return std::nullopt;
    return static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
}

bool onSameFileSystem(const std::string& a, const std::string& b)
{
    const auto first = deviceOf(a);
    const auto second = deviceOf(b);
    return first && second && *first == *second;
}

std::shared_ptr<void> addDiskRoomReclaimer(DiskRoomReclaimer reclaimer)
{
    auto entry = std::make_shared<DiskRoomReclaimer>(std::move(reclaimer));
    auto& registry = reclaimers();
    {
        std::lock_guard lock(registry.mutex);
        registry.list.push_back(entry);
    }
    return std::shared_ptr<void>(nullptr, [weak = std::weak_ptr(entry)](void*) {
        auto& all = reclaimers();
        std::lock_guard lock(all.mutex);
        all.list.remove_if(
            [&](const auto& item) { return !weak.owner_before(item) && !item.owner_before(weak); });
    });
}

std::uint64_t reclaimDiskRoom(const std::string& path, std::uint64_t bytes)
{
    std::vector<std::shared_ptr<DiskRoomReclaimer>> asked;
    {
        auto& registry = reclaimers();
        std::lock_guard lock(registry.mutex);
        asked.assign(registry.list.begin(), registry.list.end());
    }
    std::uint64_t freed = 0;
    for (const auto& reclaimer : asked) {
        if (freed >= bytes)
            break;
        freed += (*reclaimer)(path, bytes - freed);
    }
    return freed;
}

} // namespace foundation
