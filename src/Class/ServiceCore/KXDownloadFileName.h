#pragma once

#include <string>
#include <string_view>

// The file name a download is saved under, made safe: the name the server suggests reduced to a
// plain base name (no folder separators, no "." or "..", no control characters, no leading dot,
// at most kMaxBytes bytes); the MD5 of the URL when nothing usable is left.
class KXDownloadFileName {
public:
    static constexpr std::size_t kMaxBytes = 200;

    static std::string safeName(std::string_view suggested, std::string_view URLString);
};
