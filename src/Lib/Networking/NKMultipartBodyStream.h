#pragma once

#include "Lib/Networking/NKHTTPBodyPart.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/URLLoading/InputStream.h"

#include <limits>
#include <vector>

// The request body stream of a multipart request: produces the encoded parts on demand, so
// file parts are read from disk while the request is sent. A part that fails or ends short makes
// read() answer -1 and sets streamError(); the upload then fails with that error.
// Read by one reader at a time; streamError() may be asked from any thread.
class NKMultipartBodyStream final : public net::InputStream {
public:
    enum class Status { NotOpen = 0, Open = 2, Closed = 6 };

    explicit NKMultipartBodyStream(unsigned long stringEncoding);

    std::uint64_t numberOfBytesInPacket() const { return numberOfBytesInPacket_; }
    void setNumberOfBytesInPacket(std::uint64_t count) { numberOfBytesInPacket_ = count; }
    double delay() const { return delay_; }
    void setDelay(double seconds) { delay_ = seconds; }

    void appendHTTPBodyPart(const foundation::Ref<NKHTTPBodyPart>& part) { parts_.push_back(part); }
    bool isEmpty() const { return parts_.empty(); }
    const std::vector<foundation::Ref<NKHTTPBodyPart>>& HTTPBodyParts() const { return parts_; }
    void setInitialAndFinalBoundaries();
    std::uint64_t contentLength() const;

    Status streamStatus() const { return status_; }
    foundation::Ref<foundation::Error> streamError() const;
    bool hasBytesAvailable() const { return status_ == Status::Open; }

    bool open() override;
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t capacity) override;
    void close() override;
    // A copy over the same parts, for a transfer that must send the body again.
    foundation::Ref<net::InputStream> reopened() const override;
    foundation::Ref<foundation::Object> copy() const override { return reopened(); }

private:
    unsigned long stringEncoding_;
    std::uint64_t numberOfBytesInPacket_ = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    double delay_ = 0;
    std::vector<foundation::Ref<NKHTTPBodyPart>> parts_;
    std::size_t nextPart_ = 0;
    foundation::Ref<NKHTTPBodyPart> currentPart_;
    Status status_ = Status::NotOpen;
    foundation::Atomic<foundation::Ref<foundation::Error>> streamError_; // asked from any thread
};
