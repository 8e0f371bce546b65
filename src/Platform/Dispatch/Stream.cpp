#include "Platform/Dispatch/Stream.h"


#include <cstring>

namespace dispatch {

void Stream::fail(int posixError)
{
    status_ = StreamStatus::Error;
    error_ = foundation::Error::create(foundation::NSPOSIXErrorDomain, posixError, std::strerror(posixError));
}

} // namespace dispatch
