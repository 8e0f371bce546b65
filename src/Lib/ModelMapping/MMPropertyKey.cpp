#include "Lib/ModelMapping/MMPropertyKey.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

namespace mm {

using foundation::Id;

Id MMPropertyKey::valueInObject(const Id& object) const
{
    if (type == MMPropertyKeyType::Dictionary) {
        if (const auto* dictionary = object.ptr<foundation::Dictionary>())
            return dictionary->objectForKey(std::string_view(name));
        return {};
    }
    if (const auto* array = object.ptr<foundation::Array>()) {
        // The index is compared unsigned, so a negative one is never within bounds.
        int index = foundation::String(name).intValue();
        if (index >= 0 && static_cast<std::size_t>(index) < array->count())
            return array->objects()[static_cast<std::size_t>(index)];
    }
    return {};
}

namespace {

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t found = text.find(separator, start);
        if (found == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, found - start));
        start = found + 1;
    }
}

void removeAll(std::string& text, std::string_view what)
{
    if (what.empty())
        return;
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos))
        text.erase(pos, what.size());
}

} // namespace

MMKeyPath propertyKeysWithStringKey(std::string_view key)
{
    MMKeyPath path;
    if (key.empty())
        return path;
    for (std::string& component : split(key, '.')) {
        std::size_t bracket = component.find('[');
        if (bracket == std::string::npos) {
            path.push_back({component, MMPropertyKeyType::Dictionary});
            continue;
        }
        std::string head = component.substr(0, bracket);
        if (head.empty())
            continue;
        path.push_back({head, MMPropertyKeyType::Dictionary});
        std::string rest = component;
        removeAll(rest, head);
        removeAll(rest, "[");
        std::vector<std::string> pieces = split(rest, ']');
        for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
            path.push_back({pieces[i], MMPropertyKeyType::Array});
    }
    return path;
}

} // namespace mm
