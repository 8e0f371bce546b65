#include "Lib/ZipArchive/SafePath.h"

#include <algorithm>
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

} // namespace

std::optional<std::string> safeRelativePath(std::string_view name)
{
    if (name.find('\0') != std::string_view::npos)
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
