#include "Class/ServiceCore/Transport/KXSessionLimits.h"

#include "Platform/URLLoading/URLSessionConfiguration.h"

#include <mutex>

namespace {

std::mutex probeMutex;
KXSessionLimits::FreeSpaceProbe& installedProbe()
{
    static KXSessionLimits::FreeSpaceProbe probe;
    return probe;
}

} // namespace

void KXSessionLimits::setFreeSpaceProbe(FreeSpaceProbe probe)
{
    std::lock_guard lock(probeMutex);
    installedProbe() = std::move(probe);
}

foundation::Ref<net::URLSessionConfiguration> KXSessionLimits::configuration(std::int64_t replyBytes, std::int64_t downloadBytes)
{
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    // 0 would mean no limit at all to the session.
    configuration->responseBodyLimit = replyBytes > 0 ? replyBytes : kMaxReplyBytes;
    configuration->downloadLengthLimit = downloadBytes > 0 ? downloadBytes : kMaximumDownloadBytes;
    configuration->downloadFreeSpaceReserve = kDownloadFreeSpaceReserve;
    std::lock_guard lock(probeMutex);
    configuration->freeSpaceProbe = installedProbe();
    return configuration;
}
