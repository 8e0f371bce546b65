#include "Platform/Dispatch/InputStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dispatch {

InputStream::InputStream(Private, foundation::Ref<foundation::Data> data, std::filesystem::path path)
    : data_(std::move(data)), path_(std::move(path))
{
}

std::shared_ptr<InputStream> InputStream::inputStreamWithData(foundation::Ref<foundation::Data> data)
{
    if (!data)
        data = foundation::Data::create();
    return std::make_shared<InputStream>(Private{}, std::move(data), std::filesystem::path{});
}

std::shared_ptr<InputStream> InputStream::inputStreamWithFileAtPath(std::filesystem::path path)
{
    return std::make_shared<InputStream>(Private{}, nullptr, std::move(path));
}

InputStream::~InputStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::shared_ptr<InputStream> InputStream::copy() const
{
    return std::make_shared<InputStream>(Private{}, data_, path_);
}

void InputStream::open()
{
    if (status_ != StreamStatus::NotOpen)
        return;
    if (data_) {
        status_ = data_->length() == 0 ? StreamStatus::AtEnd : StreamStatus::Open;
        return;
    }
    do {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        fail(errno);
        return;
    }
    status_ = StreamStatus::Open;
}

void InputStream::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (status_ != StreamStatus::NotOpen)
        status_ = StreamStatus::Closed;
}

bool InputStream::hasBytesAvailable() const
{
    if (status_ != StreamStatus::Open)
        return false;
    // A file may still hold bytes until a read meets its end.
    return data_ ? offset_ < data_->length() : !fileAtEnd_;
}

long InputStream::read(std::uint8_t* buffer, std::size_t maxLength)
{
    if (status_ == StreamStatus::AtEnd)
        return 0;
    if (status_ != StreamStatus::Open || (!buffer && maxLength > 0))
        return -1;
    if (maxLength == 0)
        return 0;
    if (!data_)
        return readFile(buffer, maxLength);
    const std::size_t n = std::min(maxLength, data_->length() - offset_);
    std::memcpy(buffer, data_->bytes() + offset_, n);
    offset_ += n;
    if (offset_ == data_->length())
        status_ = StreamStatus::AtEnd;
    return static_cast<long>(n);
}

long InputStream::readFile(std::uint8_t* buffer, std::size_t maxLength)
{
    ssize_t n;
    do {
        n = ::read(fd_, buffer, maxLength);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        fail(errno);
        return -1;
    }
    if (n == 0) {
        fileAtEnd_ = true;
        status_ = StreamStatus::AtEnd;
    }
    return static_cast<long>(n);
}

} // namespace dispatch
