#include "Platform/Foundation/Data.h"

#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Misuse.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

const Class* Data::classObject()
{
    static const Class* cls = &Class::define("NSData", Object::classObject(), [] { return Data::create(); });
    return cls;
}

const Class* Data::isa() const
{
    return classObject();
}

const Class* MutableData::classObject()
{
    static const Class* cls = &Class::define("NSMutableData", Data::classObject(), [] { return MutableData::create(); });
    return cls;
}

const Class* MutableData::isa() const
{
    return classObject();
}

Ref<Data> Data::create(std::span<const std::uint8_t> bytes)
{
    return std::make_shared<Data>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

Ref<Data> Data::create(std::string_view bytes)
{
    const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return std::make_shared<Data>(std::vector<std::uint8_t>(begin, begin + bytes.size()));
}

Ref<Data> Data::create(std::vector<std::uint8_t>&& bytes)
{
    return std::make_shared<Data>(std::move(bytes));
}

Ref<Data> Data::dataWithContentsOfFile(const std::filesystem::path& path, Ref<Error>* error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = fileReadError(path, errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        if (error)
            *error = fileReadError(path, EISDIR);
        return nullptr;
    }
    std::vector<std::uint8_t> bytes;
    if (info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int code = errno;
            ::close(fd);
            if (error)
                *error = fileReadError(path, code);
            return nullptr;
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return create(std::move(bytes));
}

Ref<Data> Data::dataWithContentsOfRegularFile(const std::filesystem::path& path, std::uintmax_t maxLength,
                                               Ref<Error>* error)
{
    auto failure = [&](int code) -> Ref<Data> {
        if (error)
            *error = fileReadError(path, code);
        return nullptr;
    };
    // O_NONBLOCK: a pipe in the file's place must not hang the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failure(errno);
    struct stat info {};
    int refusal = 0;
    if (::fstat(fd, &info) != 0)
        refusal = errno;
    else if (!S_ISREG(info.st_mode))
        refusal = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    else if (static_cast<std::uintmax_t>(info.st_size) > maxLength)
        refusal = EFBIG;
    if (refusal != 0) {
        ::close(fd);
        return failure(refusal);
    }
    // Read by the limit, not by the size: the file may grow while it is read.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    int readError = 0;
    while (filled < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readError = errno;
            break;
        }
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
        if (filled == bytes.size() && bytes.size() <= maxLength)
            bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(maxLength + 1, bytes.size() * 2)));
    }
    ::close(fd);
    if (readError != 0)
        return failure(readError);
    if (filled > maxLength)
        return failure(EFBIG);
    bytes.resize(filled);
    return create(std::move(bytes));
}

Ref<Data> Data::subdataWithRange(Range range) const
{
    if (range.location > bytes_.size() || range.length > bytes_.size() - range.location) {
        misuse(NSRangeException, format("*** -[NSData subdataWithRange:]: range {%lu, %lu} exceeds data length %lu",
                                        range.location, range.length, bytes_.size()),
               MisuseDefault::ReturnNil);
        return create();
    }
    return create(std::span<const std::uint8_t>(bytes_).subspan(range.location, range.length));
}

bool Data::writeToFile(const std::filesystem::path& path, bool atomically, Ref<Error>* error) const
{
    if (atomically)
        return writeFileAtomically(path, bytes_, error);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error)
            *error = fileWriteError(path, errno);
        return false;
    }
    int code = writeAllBytes(fd, bytes_);
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code) {
        if (error)
            *error = fileWriteError(path, code);
        return false;
    }
    return true;
}

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::string Data::base64EncodedString() const
{
    std::string out;
    out.reserve((bytes_.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes_.size(); i += 3) {
        unsigned v = (bytes_[i] << 16) | (bytes_[i + 1] << 8) | bytes_[i + 2];
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += kBase64[(v >> 6) & 63];
        out += kBase64[v & 63];
    }
    if (i + 1 == bytes_.size()) {
        unsigned v = bytes_[i] << 16;
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes_.size()) {
        unsigned v = (bytes_[i] << 16) | (bytes_[i + 1] << 8);
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += kBase64[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

Ref<Data> Data::fromBase64(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    unsigned accumulator = 0;
    int bits = 0;
    std::size_t symbols = 0;
    std::size_t padding = 0;
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        if (c == '=') {
            ++padding;
            ++symbols;
            continue;
        }
        int value = base64Value(c);
        if (value < 0 || padding > 0)
            return nullptr;
        ++symbols;
        accumulator = (accumulator << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>((accumulator >> bits) & 0xFF));
        }
    }
    if (symbols % 4 != 0 || padding > 2)
        return nullptr;
    return create(std::move(bytes));
}

std::string Data::description() const
{
    std::string out = format("{length = %lu, bytes = 0x", bytes_.size());
    auto hex = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            out += format("%02x", bytes_[i]);
    };
    if (bytes_.size() <= 24) {
        hex(0, bytes_.size());
    } else {
        hex(0, 16);
        out += " ... ";
        hex(bytes_.size() - 8, bytes_.size());
    }
    out += "}";
    return out;
}

bool Data::isEqual(const Object& other) const
{
    const auto* data = dynamic_cast<const Data*>(&other);
    return data && data->bytes_ == bytes_;
}

std::size_t Data::hash() const
{
    return std::hash<std::string_view>{}(view().substr(0, 80));
}

Ref<Object> Data::copy() const
{
    return std::const_pointer_cast<Object>(shared_from_this());
}

Ref<Object> Data::mutableCopy() const
{
    return MutableData::create(bytes_);
}

Ref<MutableData> MutableData::create(std::span<const std::uint8_t> bytes)
{
    return std::make_shared<MutableData>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

Ref<Object> MutableData::copy() const
{
    return Data::create(bytes_);
}

void MutableData::appendBytes(const void* bytes, std::size_t length)
{
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    bytes_.insert(bytes_.end(), begin, begin + length);
}

void MutableData::replaceBytesInRange(Range range, std::span<const std::uint8_t> bytes)
{
    if (range.location > bytes_.size()) {
        misuse(NSRangeException, format("*** -[NSConcreteMutableData replaceBytesInRange:withBytes:length:]: range {%lu, %lu} exceeds data length %lu",
                                        range.location, range.length, bytes_.size()),
               MisuseDefault::Ignore);
        return;
    }
    std::size_t end = std::min(bytes_.size(), range.end());
    auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(range.location);
    bytes_.erase(first, bytes_.begin() + static_cast<std::ptrdiff_t>(end));
    bytes_.insert(bytes_.begin() + static_cast<std::ptrdiff_t>(range.location), bytes.begin(), bytes.end());
}

} // namespace foundation
