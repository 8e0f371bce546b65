#include "Platform/Storage/FolderTreeWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace foundation {

FolderTreeWatch::FolderTreeWatch()
    : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
}

FolderTreeWatch::~FolderTreeWatch()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FolderTreeWatch::add(const std::filesystem::path& folder)
{
    // IN_MODIFY as well as IN_CLOSE_WRITE: a writer that keeps its file open has still changed it.
    constexpr std::uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY
                                     | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    return fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), kChanges) >= 0;
}

bool FolderTreeWatch::takeChanged()
{
    if (fd_ < 0)
        return true;
    // Which event it was does not matter: any of them sends the owner to look again.
    alignas(inotify_event) char buffer[16384];
    bool changed = false;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got > 0) {
            changed = true;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return changed;
    }
}

} // namespace foundation
