#pragma once

#include "Platform/Foundation/Error.h"

namespace dispatch {

// The platform's stream status codes, with their numeric values.
enum class StreamStatus : int {
    NotOpen = 0,
    Opening = 1,
    Open = 2,
    Reading = 3,
    Writing = 4,
    AtEnd = 5,
    Closed = 6,
    Error = 7,
};

// What input and output streams share: status and the error that ended them. A stream is used
// by one thread at a time.
class Stream {
public:
    virtual ~Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Opening twice, or after close, does nothing.
    virtual void open() = 0;
    virtual void close() = 0;

    StreamStatus streamStatus() const { return status_; }
    // The error that put the stream into StreamStatus::Error, nil otherwise.
    const foundation::Ref<foundation::Error>& streamError() const { return error_; }

protected:
    Stream() = default;
    void fail(int posixError);

    StreamStatus status_ = StreamStatus::NotOpen;
    foundation::Ref<foundation::Error> error_;
};

} // namespace dispatch
