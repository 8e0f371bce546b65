#pragma once

#include "Platform/Dispatch/Stream.h"
#include "Platform/Foundation/Data.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace dispatch {

// Writes bytes to memory or to a file.
//
// write() returns the number of bytes written (all of them on success) or -1 when the stream is
// not open or the write failed; a failed write puts the stream into Error with an
// NSPOSIXErrorDomain error, so a short or failed write is never reported as success.
class OutputStream final : public Stream {
public:
    static std::shared_ptr<OutputStream> outputStreamToMemory();
    // `append` keeps an existing file's bytes; otherwise the file is truncated on open.
    static std::shared_ptr<OutputStream> outputStreamToFileAtPath(std::filesystem::path path, bool append);
    ~OutputStream() override;

    void open() override;
    void close() override;
    long write(const std::uint8_t* buffer, std::size_t length);
    bool hasSpaceAvailable() const { return status_ == StreamStatus::Open; }

    // What a memory stream holds so far; nil for a file stream.
    foundation::Ref<foundation::Data> dataWrittenToMemory() const;

    // Use the factories.
    struct Private {};
    OutputStream(Private, std::filesystem::path path, bool toMemory, bool append);

private:
    std::filesystem::path path_;
    bool toMemory_;
    bool append_;
    int fd_ = -1;
    std::vector<std::uint8_t> memory_;
};

} // namespace dispatch
