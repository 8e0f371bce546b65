#include "Platform/URLLoading/InputStream.h"

#include "Platform/Foundation/Data.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace net {

namespace {

class DataInputStream final : public InputStream {
public:
    explicit DataInputStream(foundation::Ref<foundation::Data> data)
        : data_(std::move(data))
    {
    }
    bool open() override
    {
        offset_ = 0;
        return true;
    }
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t capacity) override
    {
        std::size_t length = data_ ? data_->length() : 0;
        std::size_t count = std::min(capacity, length - std::min(offset_, length));
        if (count > 0)
            std::memcpy(buffer, data_->bytes() + offset_, count);
        offset_ += count;
        return static_cast<std::ptrdiff_t>(count);
    }
    void close() override { }
    foundation::Ref<InputStream> reopened() const override { return std::make_shared<DataInputStream>(data_); }

private:
    foundation::Ref<foundation::Data> data_;
    std::size_t offset_ = 0;
};

class FileInputStream final : public InputStream {
public:
    explicit FileInputStream(std::filesystem::path path)
        : path_(std::move(path))
    {
    }
    ~FileInputStream() override { close(); }
    bool open() override
    {
        close();
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        return fd_ >= 0;
    }
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t capacity) override
    {
        if (fd_ < 0)
            return -1;
        return ::read(fd_, buffer, capacity);
    }
    void close() override
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    foundation::Ref<InputStream> reopened() const override { return std::make_shared<FileInputStream>(path_); }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

} // namespace

const foundation::Class* InputStream::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NSInputStream", Object::classObject());
    return cls;
}

const foundation::Class* InputStream::isa() const
{
    return classObject();
}

foundation::Ref<InputStream> InputStream::inputStreamWithData(foundation::Ref<foundation::Data> data)
{
    return std::make_shared<DataInputStream>(std::move(data));
}

foundation::Ref<InputStream> InputStream::inputStreamWithFileAtPath(const std::filesystem::path& path)
{
    return std::make_shared<FileInputStream>(path);
}

} // namespace net
