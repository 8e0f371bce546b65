#pragma once

#include "Platform/Foundation/Data.h"

#include <cstdint>
#include <filesystem>

// Reading the client's own state files (the kxData archives, the font name cache) with a bound.
// Such a file is only ever written by the client, so one that is larger than the bound, or that
// its reader cannot make sense of, is damaged: it is set aside beside itself as "<name>.damaged"
// (replacing an older one, so that they do not pile up) and the caller starts afresh. A damaged
// file is never fatal and never read whole.
//
// Thread-safety: the functions keep no state; callers serialize access to one file.
class KXStateFile {
public:
    // Far above any file the client writes (a few hundred bytes per font name, a capped error log).
    // The downloaded-font map and the search history are read up to it too, without set-aside.
    static constexpr std::uintmax_t kMaxBytes = 8 * 1024 * 1024;

    // The file's bytes (Data::dataWithContentsOfRegularFile); nil when there is no file, and when
    // it is no regular file, holds more than `limit` bytes or cannot be read (it is set aside
    // then). At most `limit` + 1 bytes are ever read.
    static foundation::Ref<foundation::Data> read(const std::filesystem::path& path, std::uintmax_t limit = kMaxBytes);
    // Moves the damaged file at `path` to "<path>.damaged".
    static void setAside(const std::filesystem::path& path);
    static std::filesystem::path setAsidePath(const std::filesystem::path& path);
};
