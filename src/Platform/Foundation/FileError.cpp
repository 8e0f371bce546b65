#include "Platform/Foundation/FileError.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Format.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {

Ref<Error> posixError(int code)
{
    return Error::create(NSPOSIXErrorDomain, code, std::strerror(code));
}

Ref<Error> makeFileError(long long code, const std::string& text, const std::filesystem::path& path, int errnoValue)
{
    auto info = MutableDictionary::create();
    info->setObject(Id(text), Id(NSLocalizedDescriptionKey));
    info->setObject(Id(path.string()), Id(NSFilePathErrorKey));
    if (errnoValue)
        info->setObject(posixError(errnoValue), Id(NSUnderlyingErrorKey));
    return Error::errorWithDomain(NSCocoaErrorDomain, code, info);
}

} // namespace

Ref<Error> fileReadError(const std::filesystem::path& path, int errnoValue)
{
    std::string name = path.filename().string();
    if (errnoValue == ENOENT || errnoValue == ENOTDIR)
        return makeFileError(NSFileReadNoSuchFileError,
                             format("The file “%@” couldn’t be opened because there is no such file.", name), path,
                             errnoValue);
    if (errnoValue == EFBIG)
        return makeFileError(NSFileReadTooLargeError,
                             format("The file “%@” couldn’t be opened because it is too large.", name), path, errnoValue);
    if (errnoValue == EACCES || errnoValue == EPERM)
        return makeFileError(NSFileReadNoPermissionError,
                             format("The file “%@” couldn’t be opened because you don’t have permission to view it.", name),
                             path, errnoValue);
    return makeFileError(NSFileReadUnknownError, format("The file “%@” couldn’t be opened.", name), path, errnoValue);
}

Ref<Error> fileWriteError(const std::filesystem::path& path, int errnoValue)
{
    std::string name = path.filename().string();
    std::string folder = path.parent_path().filename().string();
    if (errnoValue == EACCES || errnoValue == EPERM || errnoValue == EROFS)
        return makeFileError(NSFileWriteNoPermissionError,
                             format("You don’t have permission to save the file “%@” in the folder “%@”.", name, folder),
                             path, errnoValue);
    if (errnoValue == ENOSPC || errnoValue == EDQUOT)
        return makeFileError(NSFileWriteOutOfSpaceError,
                             format("The file “%@” couldn’t be saved because there isn’t enough space.", name), path,
                             errnoValue);
    if (errnoValue == ENOENT || errnoValue == ENOTDIR)
        return makeFileError(NSFileNoSuchFileError,
                             format("The folder “%@” doesn’t exist.", folder), path, errnoValue);
    return makeFileError(NSFileWriteUnknownError,
                         format("The file “%@” couldn’t be saved in the folder “%@”.", name, folder), path, errnoValue);
}

int writeAllBytes(int fd, std::span<const std::uint8_t> bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, Ref<Error>* error, unsigned permissions)
{
    auto fail = [&](int code) {
        if (error)
            *error = fileWriteError(path, code);
        return false;
    };
    std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    std::string temporary = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return fail(errno);
    if (int code = writeAllBytes(fd, bytes)) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return fail(code);
    }
    // The permissions asked for (by default those of a new file, rather than mkstemp's 0600). The
    // mask is read once: changing it later from another thread would race.
    static const mode_t mask = [] {
        mode_t current = ::umask(022);
        ::umask(current);
        return current;
    }();
    ::fchmod(fd, static_cast<mode_t>(permissions & 0777) & ~mask);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int code = errno;
        ::unlink(temporary.c_str());
        return fail(code);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int code = errno;
        ::unlink(temporary.c_str());
        return fail(code);
    }
    return true;
}

} // namespace foundation
