#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"
#include "Platform/Runtime/ClassBuilder.h"

#include <limits>

namespace {

// A tag's field as text: a text as it stands, a number as its description; anything else none.
std::string_view fieldText(const foundation::Id& value, std::string& scratch)
{
    if (const auto* text = value.ptr<foundation::String>())
        return text->utf8();
    if (const auto* number = value.ptr<foundation::Number>()) {
        scratch = number->description();
        return scratch;
    }
    return {};
}

} // namespace

const foundation::Class* KXFilterTagList::classObject()
{
    static const foundation::Class* cls = runtime::ClassBuilder<KXFilterTagList>("KXFilterTagList").build();
    return cls;
}

const foundation::Class* KXFilterTagList::isa() const
{
    return classObject();
}

foundation::Ref<KXFilterTagList> KXFilterTagList::fromReply(const foundation::Id& data)
{
    const auto* elements = data.ptr<foundation::Array>();
    if (!elements)
        return nullptr;
    auto list = create();
    list->ends_.reserve(elements->count() * 2);
    std::string name;
    std::string identifier;
    for (const foundation::Id& element : *elements) {
        const auto* tag = element.ptr<foundation::Dictionary>();
        if (!tag)
            continue;
        list->append(
            fieldText(tag->objectForKey("tagname"), name), fieldText(tag->objectForKey("tagid"), identifier));
    }
    list->shrinkToFit();
    return list;
}

void KXFilterTagList::append(std::string_view tagname, std::string_view tagid)
{
    constexpr std::size_t kMost = std::numeric_limits<std::uint32_t>::max();
    if (tagname.size() + tagid.size() > kMost - text_.size())
        return;
    text_.append(tagname);
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
    text_.append(tagid);
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

void KXFilterTagList::shrinkToFit()
{
    text_.shrink_to_fit();
    ends_.shrink_to_fit();
}

std::string_view KXFilterTagList::part(std::size_t slot) const
{
    if (slot >= ends_.size())
        return {};
    const std::size_t begin = slot == 0 ? 0 : ends_[slot - 1];
    return std::string_view(text_).substr(begin, ends_[slot] - begin);
}

std::string_view KXFilterTagList::tagname(std::size_t index) const
{
    return part(index * 2);
}

std::string_view KXFilterTagList::tagid(std::size_t index) const
{
    return part(index * 2 + 1);
}

std::vector<std::string> KXFilterTagList::tagids() const
{
    std::vector<std::string> identifiers;
    identifiers.reserve(count());
    for (std::size_t i = 0; i < count(); ++i)
        identifiers.emplace_back(tagid(i));
    return identifiers;
}

std::string KXFilterTagList::description() const
{
    return "<KXFilterTagList: " + std::to_string(count()) + " tags>";
}
