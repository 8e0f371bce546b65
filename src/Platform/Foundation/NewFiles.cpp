#include "Platform/Foundation/NewFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace foundation {

namespace fs = std::filesystem;

namespace {

std::mutex& sourceMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<std::uint64_t()>& numberSource()
{
    static std::function<std::uint64_t()> source;
    return source;
}

std::uint64_t nextNumber()
{
    {
        std::lock_guard lock(sourceMutex());
        if (numberSource())
            return numberSource()();
    }
    return NewFiles::randomNumber();
}

// Tries fresh names until `make` succeeds or fails for another reason than a taken name.
template <typename Make>
bool makeUnderFreshName(const NewFiles::Namer& namer, fs::path& path, std::error_code& error, Make make)
{
    error.clear();
    for (int attempt = 0; attempt < NewFiles::kAttempts; ++attempt) {
        fs::path candidate = namer(nextNumber());
        if (make(candidate)) {
            path = std::move(candidate);
            return true;
        }
        if (errno != EEXIST) {
            error = std::error_code(errno, std::generic_category());
            return false;
        }
    }
    error = std::make_error_code(std::errc::file_exists);
    return false;
}

// Writes the bytes of `from` to `to` from where it stands.
std::error_code copyContents(const fs::path& from, int to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return {errno, std::generic_category()};
    std::vector<char> buffer(64 * 1024);
    int error = 0;
    for (;;) {
        const ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            error = count < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < count && error == 0;) {
            const ssize_t written = ::write(to, buffer.data() + done, static_cast<std::size_t>(count - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                error = written < 0 ? errno : ENOSPC;
            else
                done += written;
        }
        if (error != 0)
            break;
    }
    ::close(in);
    return error == 0 ? std::error_code() : std::error_code(error, std::generic_category());
}

} // namespace

int NewFiles::createFile(const Namer& namer, unsigned mode, fs::path& path, std::error_code& error)
{
    int fd = -1;
    makeUnderFreshName(namer, path, error, [&](const fs::path& candidate) {
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode & 0777));
        return fd >= 0;
    });
    return fd;
}

bool NewFiles::createFolder(const Namer& namer, unsigned mode, fs::path& path, std::error_code& error)
{
    // mkdir never follows a link at the name: it fails with EEXIST.
    return makeUnderFreshName(namer, path, error,
        [&](const fs::path& candidate) { return ::mkdir(candidate.c_str(), static_cast<mode_t>(mode & 0777)) == 0; });
}

std::error_code NewFiles::copyToNewFile(const fs::path& from, const Namer& namer, unsigned mode, fs::path& path)
{
    std::error_code error;
    const int out = createFile(namer, mode, path, error);
    if (out < 0) {
        path.clear();
        return error;
    }
    error = copyContents(from, out);
    if (::close(out) != 0 && !error)
        error = std::error_code(errno, std::generic_category());
    if (error) {
        std::error_code ignored;
        fs::remove(path, ignored);
        path.clear();
    }
    return error;
}

std::uint64_t NewFiles::randomNumber()
{
    std::uint64_t number = 0;
    ssize_t got = -1;
    do
        got = ::getrandom(&number, sizeof number, 0);
    while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof number))
        return number;
    std::random_device device; // a kernel without the call
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

NewFiles::ScopedNumbers::ScopedNumbers(std::function<std::uint64_t()> source)
{
    std::lock_guard lock(sourceMutex());
    previous_ = std::exchange(numberSource(), std::move(source));
}

NewFiles::ScopedNumbers::~ScopedNumbers()
{
    std::lock_guard lock(sourceMutex());
    numberSource() = std::move(previous_);
}

} // namespace foundation
