#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace foundation {

// Bytes an unprivileged process may still write on the file system that holds `path`, or that
// will hold it: its nearest existing parent. nullopt when that cannot be told.
std::optional<std::uint64_t> freeBytesAt(const std::string& path);

// Whether `a` and `b` (or their nearest existing parents) lie on one file system; false when
// either cannot be told.
bool onSameFileSystem(const std::string& a, const std::string& b);

// Disk room held by data the client can fetch again (the image cache), given back to a writer that
// needs it (a download short of room) before that writer gives up. A reclaimer frees up to `bytes`
// on the file system of `path`, when it holds anything there, and answers what it freed. Reclaimers
// run on the asking thread, outside the registry's lock; every member is thread-safe.
using DiskRoomReclaimer = std::function<std::uint64_t(const std::string& path, std::uint64_t bytes)>;
// The reclaimer stays registered while the answer lives.
[[nodiscard]] std::shared_ptr<void> addDiskRoomReclaimer(DiskRoomReclaimer reclaimer);
// Asks every reclaimer in turn until `bytes` are freed; the bytes freed in all.
std::uint64_t reclaimDiskRoom(const std::string& path, std::uint64_t bytes);

} // namespace foundation
