#pragma once

#include "Lib/ZipArchive/ZipTypes.h"
#include "Platform/Foundation/Object.h"

#include <cstdint>

namespace net {
class URLSessionConfiguration;
}

// The ceilings of every session the service core opens. A body the client holds in memory (an API
// reply) and one it streams to disk (a font, a catalogue package, the update package) each have a
// limit their kind never reaches, so only an endless or hostile body meets it; both are counted
// after decoding, so a compressed body is bounded by what it inflates to. Every session of the
// service core is made from configuration() so that none goes without them.
struct KXSessionLimits {
    // A page of catalogue rows is far below.
    static constexpr std::int64_t kMaxReplyBytes = 32 * 1024 * 1024;
    // Far above any font, catalogue or update package.
    static constexpr std::int64_t kMaximumDownloadBytes = static_cast<std::int64_t>(ZipOutputLimit::kMaximumDownloadBytes);

    // A default session configuration whose data tasks receive at most `replyBytes` and whose
    // download tasks write at most `downloadBytes`; a limit of 0 or less is taken as the default.
    static foundation::Ref<net::URLSessionConfiguration> configuration(
        std::int64_t replyBytes = kMaxReplyBytes, std::int64_t downloadBytes = kMaximumDownloadBytes);
};
