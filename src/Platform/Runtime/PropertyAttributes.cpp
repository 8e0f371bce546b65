#include "Platform/Runtime/PropertyAttributes.h"

namespace runtime {

std::string composeAttributes(std::string_view encoding, bool isObject, Ownership ownership,
    const PropertyOptions& options, std::string_view name)
{
    std::string text = "T";
    text += encoding;
    if (options.readonly)
        text += ",R";
    if (isObject) {
        switch (ownership) {
        case Ownership::Copy:
            text += ",C";
            break;
        case Ownership::Weak:
            text += ",W";
            break;
        case Ownership::Strong:
            text += ",&";
            break;
        }
    }
    if (!options.atomic)
        text += ",N";
    if (!options.getter.empty())
        text += ",G" + options.getter;
    text += ",V";
    if (options.ivar.empty()) {
        text += '_';
        text += name;
    } else {
        text += options.ivar;
    }
    return text;
}

std::string_view typeEncodingOf(std::string_view attributes)
{
    if (attributes.empty() || attributes.front() != 'T')
        return {};
    attributes.remove_prefix(1);
    // A class name in quotes never holds a comma, so the first comma ends the encoding.
    return attributes.substr(0, attributes.find(','));
}

namespace {

template <class Visit> void forEachAttribute(std::string_view attributes, const Visit& visit)
{
    while (!attributes.empty()) {
        std::size_t comma = attributes.find(',');
        visit(attributes.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        attributes.remove_prefix(comma + 1);
    }
}

} // namespace

std::optional<std::string_view> attributeValue(std::string_view attributes, char letter)
{
    std::optional<std::string_view> found;
    bool first = true;
    forEachAttribute(attributes, [&](std::string_view item) {
        // The first item is the type ("T..."), whose text may contain any letter.
        if (!first && !found && !item.empty() && item.front() == letter)
            found = item.substr(1);
        first = false;
    });
    return found;
}

bool hasAttribute(std::string_view attributes, char letter)
{
    return attributeValue(attributes, letter).has_value();
}

} // namespace runtime
