#include "Lib/Networking/NKMultipartBodyStream.h"

#include "Platform/Foundation/Error.h"

#include <algorithm>
#include <chrono>
#include <thread>

using foundation::Ref;

NKMultipartBodyStream::NKMultipartBodyStream(unsigned long stringEncoding)
    : stringEncoding_(stringEncoding)
{
}

void NKMultipartBodyStream::setInitialAndFinalBoundaries()
{
    if (parts_.empty())
        return;
    for (const auto& part : parts_) {
        part->setHasInitialBoundary(false);
        part->setHasFinalBoundary(false);
    }
    parts_.front()->setHasInitialBoundary(true);
    parts_.back()->setHasFinalBoundary(true);
}

std::uint64_t NKMultipartBodyStream::contentLength() const
{
    std::uint64_t length = 0;
    for (const auto& part : parts_)
        length += part->contentLength();
    return length;
}

Ref<foundation::Error> NKMultipartBodyStream::streamError() const
{
    return streamError_.get();
}

bool NKMultipartBodyStream::open()
{
    if (status_ == Status::Open)
        return true;
    status_ = Status::Open;
    setInitialAndFinalBoundaries();
    nextPart_ = 0;
    currentPart_ = nullptr;
    return true;
}

void NKMultipartBodyStream::close()
{
    status_ = Status::Closed;
}

std::ptrdiff_t NKMultipartBodyStream::read(std::uint8_t* buffer, std::size_t capacity)
{
    if (status_ == Status::Closed)
        return 0;
    const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(numberOfBytesInPacket_, capacity));
    std::size_t total = 0;
    while (total < limit) {
        if (!currentPart_ || !currentPart_->hasBytesAvailable()) {
            if (nextPart_ >= parts_.size())
                break;
            currentPart_ = parts_[nextPart_++];
            continue;
        }
        const std::ptrdiff_t count = currentPart_->read(buffer + total, limit - total);
        if (count < 0) {
            // Aborts the upload: a body with a missing or shortened part must not be sent as if whole.
            streamError_.set(currentPart_->error());
            return -1;
        }
        total += static_cast<std::size_t>(count);
        if (delay_ > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(delay_));
    }
    return static_cast<std::ptrdiff_t>(total);
}

Ref<net::InputStream> NKMultipartBodyStream::reopened() const
{
    auto copy = std::make_shared<NKMultipartBodyStream>(stringEncoding_);
    for (const auto& part : parts_)
        copy->appendHTTPBodyPart(part->clone());
    copy->setInitialAndFinalBoundaries();
    return copy;
}
