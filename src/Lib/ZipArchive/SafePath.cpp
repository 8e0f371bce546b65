#include "Lib/ZipArchive/SafePath.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace zipentry {

namespace {

std::vector<std::string_view> components(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

bool hasDriveLetter(std::string_view name)
{
    return name.size() >= 2 && name[1] == ':'
        && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

// Length of the control character at `at`: 1 for C0 and DEL, 2 for C1 (U+0080 to U+009F), else 0.
std::size_t controlLength(std::string_view text, std::size_t at)
{
    auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x20 || c == 0x7F)
        return 1;
    if (c == 0xC2 && at + 1 < text.size()) {
        auto next = static_cast<unsigned char>(text[at + 1]);
        if (next >= 0x80 && next <= 0x9F)
            return 2;
    }
    return 0;
}

} // namespace

bool hasControlCharacter(std::string_view text)
{
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (controlLength(text, at) != 0)
            return true;
    }
    return false;
}

std::string escapedControlCharacters(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = controlLength(text, at);
        if (length == 0) {
            out.push_back(text[at++]);
            continue;
        }
        for (std::size_t end = at + length; at < end; ++at) {
            if (text[at] == '\0') {
                out += "\\0";
                continue;
            }
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[at]));
            out += escaped;
        }
    }
    return out;
}

std::optional<std::string> safeRelativePath(std::string_view name)
{
    if (hasControlCharacter(name))
        return std::nullopt;
    std::string slashed(name);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (slashed.starts_with('/') || hasDriveLetter(slashed))
        return std::nullopt;
    std::vector<std::string_view> kept;
    for (std::string_view part : components(slashed)) {
        if (part != "..") {
            kept.push_back(part);
            continue;
        }
        if (kept.empty())
            return std::nullopt;
        kept.pop_back();
    }
    std::string result;
    for (std::string_view part : kept) {
        if (!result.empty())
            result.push_back('/');
        result.append(part);
    }
    return result;
}

bool isSafeLinkTarget(std::string_view linkPath, std::string_view target)
{
    if (target.empty() || target.starts_with('/') || target.find('\0') != std::string_view::npos)
        return false;
    std::size_t depth = components(linkPath).size();
    if (depth == 0)
        return false;
    std::size_t available = depth - 1; // folders between the destination and the link
    bool descended = false;
    for (std::string_view part : components(target)) {
        if (part != "..") {
            descended = true;
            continue;
        }
        if (descended || available == 0)
            return false;
        --available;
    }
    return true;
}

} // namespace zipentry
