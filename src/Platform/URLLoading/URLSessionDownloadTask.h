#pragma once

#include "Platform/URLLoading/URLSessionTask.h"

namespace net {

// A task whose reply is written to a temporary file in the client's own temporary folder
// (Paths::temporaryDirectory()), handed to the delegate when complete and deleted after that
// callback returns (NSURLSessionDownloadTask).
class URLSessionDownloadTask final : public URLSessionTask {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;
    using URLSessionTask::URLSessionTask;
};

} // namespace net
