#include "Platform/Dispatch/OutputStream.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace dispatch {

OutputStream::OutputStream(Private, std::filesystem::path path, bool toMemory, bool append)
    : path_(std::move(path)), toMemory_(toMemory), append_(append)
{
}

std::shared_ptr<OutputStream> OutputStream::outputStreamToMemory()
{
    return std::make_shared<OutputStream>(Private{}, std::filesystem::path{}, true, false);
}

std::shared_ptr<OutputStream> OutputStream::outputStreamToFileAtPath(std::filesystem::path path, bool append)
{
    return std::make_shared<OutputStream>(Private{}, std::move(path), false, append);
}

OutputStream::~OutputStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void OutputStream::open()
{
    if (status_ != StreamStatus::NotOpen)
        return;
    if (toMemory_) {
        status_ = StreamStatus::Open;
        return;
    }
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append_ ? O_APPEND : O_TRUNC);
    do {
        fd_ = ::open(path_.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        fail(errno);
        return;
    }
    status_ = StreamStatus::Open;
}

void OutputStream::close()
{
    if (fd_ >= 0) {
        const int result = ::close(fd_);
        fd_ = -1;
        // A close that fails (a full disk seen late) is a failed write, not a success.
        if (result != 0 && errno != EINTR) {
            fail(errno);
            return;
        }
    }
    if (status_ != StreamStatus::NotOpen)
        status_ = StreamStatus::Closed;
}

long OutputStream::write(const std::uint8_t* buffer, std::size_t length)
{
    if (status_ != StreamStatus::Open || (!buffer && length > 0))
        return -1;
    if (toMemory_) {
        memory_.insert(memory_.end(), buffer, buffer + length);
        return static_cast<long>(length);
    }
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd_, buffer + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(n < 0 ? errno : EIO);
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

foundation::Ref<foundation::Data> OutputStream::dataWrittenToMemory() const
{
    if (!toMemory_)
        return nullptr;
    return foundation::Data::create(std::span<const std::uint8_t>(memory_));
}

} // namespace dispatch
