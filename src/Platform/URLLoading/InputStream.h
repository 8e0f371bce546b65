#pragma once

#include "Platform/Foundation/Object.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace foundation {
class Data;
}

namespace net {

// A request body read front to back (NSInputStream). Reads happen on the transfer engine's
// thread, one transfer at a time; a stream is used by one task only.
class InputStream : public foundation::Object {
public:
    static const foundation::Class* classObject(); // NSInputStream
    const foundation::Class* isa() const override;

    static foundation::Ref<InputStream> inputStreamWithData(foundation::Ref<foundation::Data> data);
    static foundation::Ref<InputStream> inputStreamWithFileAtPath(const std::filesystem::path& path);

    virtual bool open() = 0;
    // Bytes read, 0 at the end, -1 on failure.
    virtual std::ptrdiff_t read(std::uint8_t* buffer, std::size_t capacity) = 0;
    virtual void close() = 0;
    // A fresh stream over the same bytes, or nil when the source cannot be read again.
    virtual foundation::Ref<InputStream> reopened() const { return nullptr; }
};

} // namespace net
