#include "Class/ServiceCore/Transport/KXDownloadFileName.h"

#include "Platform/Crypto/Digest.h"

#include <algorithm>
#include <cctype>

std::string KXDownloadFileName::safeName(std::string_view suggested, std::string_view URLString)
{
    const std::size_t slash = suggested.find_last_of("/\\");
    if (slash != std::string_view::npos)
        suggested.remove_prefix(slash + 1);

    std::string name;
    name.reserve(suggested.size());
    for (char c : suggested) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            continue;
        name += c;
    }
    const std::size_t first = name.find_first_not_of(". ");
    name = first == std::string::npos ? std::string() : name.substr(first);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    if (name.size() > kMaxBytes) {
        // Keep the extension: cut the stem at a character boundary.
        const std::size_t dot = name.rfind('.');
        std::string extension = dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : std::string();
        std::size_t cut = kMaxBytes - extension.size();
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name = name.substr(0, cut) + extension;
    }
    if (name.empty() || !hasDownloadExtension(name))
        return crypto::md5Hex(URLString);
    return name;
}

bool KXDownloadFileName::hasDownloadExtension(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}
