#include "Lib/ZipArchive/DestinationFolder.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

// Folders are never group- or world-writable: others could then replace what is unpacked there.
constexpr mode_t kFolderMode = 0755;

} // namespace

DestinationFolder::DestinationFolder(std::string root)
    : root_(std::move(root))
{
    while (root_.size() > 1 && root_.ends_with('/'))
        root_.pop_back();
}

std::string DestinationFolder::fullPath(const std::string& relative) const
{
    if (relative.empty())
        return root_;
    return root_ == "/" ? root_ + relative : root_ + "/" + relative;
}

DestinationFolder::Result DestinationFolder::makeRoot(int& posixError, std::string& failedPath)
{
    if (rootMade_)
        return Result::Ok;
    // Each missing folder on the way, from the top.
    for (std::size_t end = root_.find('/', 1);; end = root_.find('/', end + 1)) {
        std::string prefix = root_.substr(0, end);
        if (::mkdir(prefix.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            posixError = errno;
            failedPath = prefix;
            return Result::Failed;
        }
        if (end == std::string::npos)
            break;
    }
    // The root itself is not followed: a link put in its place would send every entry elsewhere.
    // Links on the way to it are the user's own arrangement and stay.
    struct stat status {};
    if (::lstat(root_.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        posixError = S_ISLNK(status.st_mode) ? ELOOP : ENOTDIR;
        failedPath = root_;
        return Result::Failed;
    }
    rootMade_ = true;
    return Result::Ok;
}

DestinationFolder::Result DestinationFolder::makeFolder(const std::string& relative, int& posixError,
                                                        std::string& failedPath)
{
    if (Result result = makeRoot(posixError, failedPath); result != Result::Ok)
        return result;
    if (relative.empty() || checked_.contains(relative))
        return Result::Ok;
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = relative.find('/', end + 1);
        std::string prefix = relative.substr(0, end);
        if (checked_.contains(prefix))
            continue;
        std::string path = fullPath(prefix);
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT || (::mkdir(path.c_str(), kFolderMode) != 0 && errno != EEXIST)) {
                posixError = errno;
                failedPath = path;
                return Result::Failed;
            }
            if (::lstat(path.c_str(), &status) != 0) {
                posixError = errno;
                failedPath = path;
                return Result::Failed;
            }
        }
        if (S_ISLNK(status.st_mode))
            return Result::Unsafe;
        if (!S_ISDIR(status.st_mode)) {
            posixError = ENOTDIR;
            failedPath = path;
            return Result::Failed;
        }
        checked_.insert(prefix);
    }
    return Result::Ok;
}
