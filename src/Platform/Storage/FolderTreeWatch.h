#pragma once

#include <filesystem>

namespace foundation {

// Tells whether anything changed in a set of folders since the last look, through one inotify
// instance. Each folder is added by itself (a walker adds every folder it lists, before it lists
// it, so that nothing it reads can change unseen). A file created, written, renamed, removed or
// given new times, a watched folder removed or renamed, and events the kernel had to drop all
// count as a change. Looking never blocks.
//
// Not thread-safe: its owner serialises the calls.
class FolderTreeWatch {
public:
    FolderTreeWatch();
    ~FolderTreeWatch();
    FolderTreeWatch(const FolderTreeWatch&) = delete;
    FolderTreeWatch& operator=(const FolderTreeWatch&) = delete;

    // Watches `folder` (its entries, not the folders below it); false when it cannot: no such
    // folder, no inotify, or the user's limit of watches reached.
    bool add(const std::filesystem::path& folder);

    // Whether anything changed since the previous call (or since the first add); what was read is
    // used up.
    bool takeChanged();

private:
    int fd_ = -1;
};

} // namespace foundation
