#include "Lib/ZipArchive/ExtractedFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string temporaryName(const std::string& path, std::uint64_t salt)
{
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // Leave room for the suffix within the usual 255-byte name limit.
    if (base.size() > 200)
        base.resize(200);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".za%016llx", static_cast<unsigned long long>(salt));
    return folder + "." + base + suffix;
}

std::uint64_t nextSalt()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return generator();
}

} // namespace

ExtractedFile::ExtractedFile(std::string path, std::string temporary, int fd)
    : path_(std::move(path))
    , temporary_(std::move(temporary))
    , fd_(fd)
{
}

std::unique_ptr<ExtractedFile> ExtractedFile::create(const std::string& path, int& posixError)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string temporary = temporaryName(path, nextSalt());
        // Private while it is written; setPermissions() gives the file its mode.
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0)
            return std::unique_ptr<ExtractedFile>(new ExtractedFile(path, std::move(temporary), fd));
        if (errno != EEXIST) {
            posixError = errno;
            return nullptr;
        }
    }
    posixError = EEXIST;
    return nullptr;
}

ExtractedFile::~ExtractedFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_)
        ::unlink(temporary_.c_str());
}

bool ExtractedFile::write(const void* bytes, std::size_t length, int& posixError)
{
    const char* cursor = static_cast<const char*>(bytes);
    while (length > 0) {
        ssize_t written = ::write(fd_, cursor, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            posixError = written < 0 ? errno : ENOSPC;
            return false;
        }
        cursor += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ExtractedFile::setModificationDate(std::time_t seconds)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    times[1].tv_nsec = 0;
    return ::futimens(fd_, times) == 0;
}

bool ExtractedFile::setPermissions(mode_t mode)
{
    return ::fchmod(fd_, mode) == 0;
}

bool ExtractedFile::commit(int& posixError)
{
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        posixError = errno;
        return false;
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        posixError = errno;
        return false;
    }
    committed_ = true;
    return true;
}
