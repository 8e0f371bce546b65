#include "Class/SearchFilter/Core/KXFilterCategories.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

using foundation::Id;

namespace {

// The categories' list of the language shown, or nil.
foundation::Ref<foundation::Array> languageList(
    const foundation::Ref<foundation::Array>& dataArray, bool english)
{
    const std::size_t language = english ? 0 : 1;
    if (!dataArray || dataArray->count() <= language)
        return nullptr;
    return dataArray->objectAtIndex(language).as<foundation::Array>();
}

// The element as a category: a one-entry dictionary keyed by a text, its value the tag list.
std::optional<KXFilterCategory> category(const Id& element)
{
    const auto wrapper = element.as<foundation::Dictionary>();
    if (!wrapper || wrapper->count() != 1)
        return std::nullopt;
    const Id key = wrapper->allKeys()->objectAtIndex(0);
    const auto* name = key.ptr<foundation::String>();
    if (!name)
        return std::nullopt;
    auto tags = wrapper->objectForKey(key).as<KXFilterTagList>();
    return KXFilterCategory { name->utf8(), tags ? std::move(tags) : KXFilterTagList::create() };
}

} // namespace

std::vector<KXFilterCategory> KXFilterCategories::of(
    const foundation::Ref<foundation::Array>& dataArray, bool english)
{
    std::vector<KXFilterCategory> categories;
    if (const auto list = languageList(dataArray, english))
        for (const Id& element : *list)
            if (auto found = category(element))
                categories.push_back(std::move(*found));
    return categories;
}

std::optional<KXFilterCategory> KXFilterCategories::atPosition(
    const foundation::Ref<foundation::Array>& dataArray, bool english, std::size_t position)
{
    const auto list = languageList(dataArray, english);
    if (!list)
        return std::nullopt;
    std::size_t index = 0;
    for (const Id& element : *list)
        if (auto found = category(element); found && index++ == position)
            return found;
    return std::nullopt;
}

std::optional<KXFilterCategory> KXFilterCategories::named(
    const foundation::Ref<foundation::Array>& dataArray, bool english, const std::string& wanted)
{
    const auto list = languageList(dataArray, english);
    if (!list)
        return std::nullopt;
    for (const Id& element : *list)
        if (auto found = category(element); found && found->name == wanted)
            return found;
    return std::nullopt;
}

const KXFilterCategory* KXFilterCategories::atPosition(
    const std::vector<KXFilterCategory>& categories, std::size_t position)
{
    return position < categories.size() ? &categories[position] : nullptr;
}

const KXFilterCategory* KXFilterCategories::named(const std::vector<KXFilterCategory>& categories, const std::string& name)
{
    for (const auto& category : categories)
        if (category.name == name)
            return &category;
    return nullptr;
}
