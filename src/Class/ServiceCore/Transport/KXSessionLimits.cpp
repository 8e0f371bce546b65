#include "Class/ServiceCore/Transport/KXSessionLimits.h"

#include "Platform/URLLoading/URLSessionConfiguration.h"

foundation::Ref<net::URLSessionConfiguration> KXSessionLimits::configuration(std::int64_t replyBytes, std::int64_t downloadBytes)
{
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    // 0 would mean no limit at all to the session.
    configuration->responseBodyLimit = replyBytes > 0 ? replyBytes : kMaxReplyBytes;
    configuration->downloadLengthLimit = downloadBytes > 0 ? downloadBytes : kMaximumDownloadBytes;
    return configuration;
}
