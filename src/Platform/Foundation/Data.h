#pragma once

#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/Range.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace foundation {

class Error;

// Bytes (NSData). Immutable; MutableData appends and replaces.
class Data : public Object {
public:
    static const Class* classObject();
    const Class* isa() const override;

    static Ref<Data> create(std::span<const std::uint8_t> bytes = {});
    static Ref<Data> create(std::string_view bytes);
    static Ref<Data> create(std::vector<std::uint8_t>&& bytes);
    // nil (and the error) when the file cannot be read.
    static Ref<Data> dataWithContentsOfFile(const std::filesystem::path& path, Ref<Error>* error = nullptr);
    // The bytes of a regular file of at most `maxLength` bytes, for files whose size has a known
    // bound: nil and the error otherwise. A larger file gives NSFileReadTooLargeError (underlying
    // EFBIG); anything that is no regular file gives NSFileReadUnknownError, a pipe included, which
    // is opened without waiting for a writer. At most `maxLength` + 1 bytes are ever read, also
    // from a file that grows meanwhile.
    static Ref<Data> dataWithContentsOfRegularFile(const std::filesystem::path& path, std::uintmax_t maxLength,
                                                   Ref<Error>* error = nullptr);

    std::size_t length() const { return bytes_.size(); }
    const std::uint8_t* bytes() const { return bytes_.data(); }
    std::span<const std::uint8_t> span() const { return bytes_; }
    std::string_view view() const { return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()}; }
    const std::vector<std::uint8_t>& vector() const { return bytes_; }
    Ref<Data> subdataWithRange(Range range) const; // NSRangeException when out of bounds

    // Written to a temporary file in the same folder and renamed into place when `atomically`.
    bool writeToFile(const std::filesystem::path& path, bool atomically, Ref<Error>* error = nullptr) const;

    std::string base64EncodedString() const;
    static Ref<Data> fromBase64(std::string_view text); // nil on malformed input (white space allowed)

    // "{length = 3, bytes = 0x616263}", the platform's modern form (long data abbreviated).
    std::string description() const override;
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    Ref<Object> copy() const override;
    Ref<Object> mutableCopy() const override;

    explicit Data(std::vector<std::uint8_t> bytes)
        : bytes_(std::move(bytes))
    {
    }

protected:
    std::vector<std::uint8_t> bytes_;
};

class MutableData final : public Data {
public:
    static const Class* classObject();
    const Class* isa() const override;
    static Ref<MutableData> create(std::span<const std::uint8_t> bytes = {});

    void appendBytes(const void* bytes, std::size_t length);
    void appendData(const Data& data) { appendBytes(data.bytes(), data.length()); }
    void appendString(std::string_view text) { appendBytes(text.data(), text.size()); }
    void setLength(std::size_t length) { bytes_.resize(length); }
    void replaceBytesInRange(Range range, std::span<const std::uint8_t> bytes);
    std::uint8_t* mutableBytes() { return bytes_.data(); }
    std::vector<std::uint8_t>& storage() { return bytes_; }

    Ref<Object> copy() const override;

    using Data::Data;
};

} // namespace foundation
