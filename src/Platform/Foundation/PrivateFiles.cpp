#include "Platform/Foundation/PrivateFiles.h"

#include "Platform/Foundation/FileError.h"

#include <cerrno>
#include <sys/stat.h>
#include <vector>

namespace foundation {

namespace fs = std::filesystem;

namespace {

void restrictFolder(const fs::path& folder)
{
    struct stat info { };
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
        && (info.st_mode & 07777) != PrivateFiles::kFolderMode)
        ::chmod(folder.c_str(), PrivateFiles::kFolderMode);
}

} // namespace

bool PrivateFiles::createFolder(const fs::path& folder, std::error_code& error)
{
    error.clear();
    if (folder.empty())
        return false;
    // The missing levels, innermost first; each is made 0700, not only the last one, or a
    // parent made here would be open to all.
    std::vector<fs::path> missing;
    for (fs::path level = folder; !level.empty() && !fs::exists(fs::symlink_status(level, error));
         level = level.parent_path()) {
        missing.push_back(level);
        if (level == level.parent_path())
            break;
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        if (::mkdir(level->c_str(), kFolderMode) == 0)
            ::chmod(level->c_str(), kFolderMode); // the umask could have taken the owner's bits
        else if (errno != EEXIST) {
            error = std::error_code(errno, std::generic_category());
            return false;
        }
    }
    if (!fs::is_directory(folder, error)) {
        if (!error)
            error = std::make_error_code(std::errc::not_a_directory);
        return false;
    }
    return true;
}

bool PrivateFiles::writeFile(const fs::path& file, std::span<const std::uint8_t> bytes, Ref<Error>* error)
{
    std::error_code ignored; // a folder that cannot be made shows in the write's own failure
    if (file.has_parent_path())
        createFolder(file.parent_path(), ignored);
    return writeFileAtomically(file, bytes, error, kFileMode);
}

void PrivateFiles::restrictFile(const fs::path& file)
{
    struct stat info { };
    if (::lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 077) != 0)
        ::chmod(file.c_str(), info.st_mode & 0700);
}

void PrivateFiles::restrictFolders(const fs::path& root)
{
    // A root that is already closed was made or closed by this version, and every folder below it
    // since then was made 0700: only folders of an earlier version need the walk, so a start does
    // not list the whole image cache each time.
    struct stat info { };
    if (::lstat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || (info.st_mode & 07777) == kFolderMode)
        return;
    restrictFolder(root);
    std::error_code error;
    for (auto it
         = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            restrictFolder(it->path());
    }
}

} // namespace foundation
