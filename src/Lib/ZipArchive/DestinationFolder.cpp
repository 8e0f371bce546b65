#include "Lib/ZipArchive/DestinationFolder.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

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
    std::error_code error;
    std::filesystem::create_directories(root_, error);
    if (error || !std::filesystem::is_directory(root_, error)) {
        posixError = error ? error.value() : ENOTDIR;
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
            if (errno != ENOENT || (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)) {
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
