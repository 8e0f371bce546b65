#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The file name a download is saved under, made safe: the name the server suggests reduced to a
// plain base name (no folder separators, no "." or "..", no control characters, no leading dot,
// at most kMaxBytes bytes), taken only when it ends in an extension of the files the client
// downloads (kExtensions, in any case). Otherwise, or when nothing usable is left, the MD5 of the
// URL: a download never takes the name of a file the client keeps beside it ("fontName.plist").
class KXDownloadFileName {
public:
    static constexpr std::size_t kMaxBytes = 200;
    // Fonts, font archives and data packages, the packages of a client update.
    static constexpr std::array<std::string_view, 8> kExtensions = {"ttf", "otf", "ttc", "otc", "zip", "dmg", "deb", "appimage"};

    static std::string safeName(std::string_view suggested, std::string_view URLString);
    static bool hasDownloadExtension(std::string_view name);
};
