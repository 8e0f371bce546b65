#pragma once

#include "Platform/URLLoading/URLSessionTask.h"

namespace net {

// A task whose reply arrives as data callbacks (NSURLSessionDataTask).
class URLSessionDataTask : public URLSessionTask {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;
    using URLSessionTask::URLSessionTask;
};

// A data task that sends a body from data, a file or a stream (NSURLSessionUploadTask).
class URLSessionUploadTask final : public URLSessionDataTask {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;
    using URLSessionDataTask::URLSessionDataTask;
};

} // namespace net
