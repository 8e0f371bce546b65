#pragma once

#include "Platform/Dispatch/Stream.h"
#include "Platform/Foundation/Data.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace dispatch {

// Reads bytes from data in memory or from a file.
//
// read() returns the number of bytes read, 0 at the end, -1 when the stream is not open or has
// failed. The status becomes AtEnd once every byte has been read. A file that cannot be opened
// puts the stream into Error with an NSPOSIXErrorDomain error carrying errno.
class InputStream final : public Stream {
public:
    static std::shared_ptr<InputStream> inputStreamWithData(foundation::Ref<foundation::Data> data);
    static std::shared_ptr<InputStream> inputStreamWithFileAtPath(std::filesystem::path path);
    ~InputStream() override;

    void open() override;
    void close() override;
    long read(std::uint8_t* buffer, std::size_t maxLength);
    bool hasBytesAvailable() const;

    // A new, unopened stream over the same data or file, reading from the start.
    std::shared_ptr<InputStream> copy() const;

    // Use the factories.
    struct Private {};
    InputStream(Private, foundation::Ref<foundation::Data> data, std::filesystem::path path);

private:
    long readFile(std::uint8_t* buffer, std::size_t maxLength);

    foundation::Ref<foundation::Data> data_;
    std::filesystem::path path_;
    std::size_t offset_ = 0;
    int fd_ = -1;
    bool fileAtEnd_ = false;
};

} // namespace dispatch
