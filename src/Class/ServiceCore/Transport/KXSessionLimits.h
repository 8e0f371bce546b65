#pragma once

#include "Lib/ZipArchive/ZipTypes.h"
#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

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

    // Free space every download leaves on its disk, however many run at once: the system and the
    // user's other programs keep room to work.
    static constexpr std::uint64_t kDownloadFreeSpaceReserve = 128ull * 1024 * 1024;

    // A default session configuration whose data tasks receive at most `replyBytes` and whose
    // download tasks write at most `downloadBytes` and leave kDownloadFreeSpaceReserve free; a
    // limit of 0 or less is taken as the default.
    static foundation::Ref<net::URLSessionConfiguration> configuration(
        std::int64_t replyBytes = kMaxReplyBytes, std::int64_t downloadBytes = kMaximumDownloadBytes);

    // How the sessions made from now on learn a disk's free bytes; nullptr: the system is asked.
    // A seam for tests, which stand in a small disk.
    using FreeSpaceProbe = std::function<std::optional<std::uint64_t>(const std::string& path)>;
    static void setFreeSpaceProbe(FreeSpaceProbe probe);
};
