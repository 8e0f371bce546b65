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

// The element as a category's name and its tags' list: a one-entry dictionary keyed by a text.
bool categoryParts(const Id& element, foundation::Ref<foundation::String>& name, Id& tags)
{
    const auto wrapper = element.as<foundation::Dictionary>();
    if (!wrapper || wrapper->count() != 1)
        return false;
    const Id key = wrapper->allKeys()->objectAtIndex(0);
    name = key.as<foundation::String>();
    if (!name)
        return false;
    tags = wrapper->objectForKey(key);
    return true;
}

KXFilterCategory makeCategory(const foundation::Ref<foundation::String>& name, const Id& tagList)
{
    KXFilterCategory category { name->utf8(), {} };
    if (const auto tags = tagList.as<foundation::Array>()) {
        category.tags.reserve(tags->count());
        // Tags are exactly tag models: a class comparison before the general cast, as a category may
        // hold tens of thousands.
        const foundation::Class* const modelClass = KXHomeListFilterModel::classObject();
        for (const Id& tag : *tags) {
            if (tag.get() && tag.get()->isa() == modelClass)
                category.tags.push_back(std::static_pointer_cast<KXHomeListFilterModel>(tag.ref()));
            else if (auto model = tag.as<KXHomeListFilterModel>())
                category.tags.push_back(std::move(model));
        }
    }
    return category;
}

} // namespace

std::vector<KXFilterCategory> KXFilterCategories::of(
    const foundation::Ref<foundation::Array>& dataArray, bool english)
{
    std::vector<KXFilterCategory> categories;
    const auto list = languageList(dataArray, english);
    if (!list)
        return categories;
    for (const Id& element : *list) {
        foundation::Ref<foundation::String> name;
        Id tags;
        if (categoryParts(element, name, tags))
            categories.push_back(makeCategory(name, tags));
    }
    return categories;
}

std::optional<KXFilterCategoryTags> KXFilterCategories::tagsAtPosition(
    const foundation::Ref<foundation::Array>& dataArray, bool english, std::size_t position)
{
    const auto list = languageList(dataArray, english);
    if (!list)
        return std::nullopt;
    std::size_t index = 0;
    for (const Id& element : *list) {
        foundation::Ref<foundation::String> name;
        Id tags;
        if (!categoryParts(element, name, tags))
            continue;
        if (index++ == position)
            return KXFilterCategoryTags { name->utf8(), tags.as<foundation::Array>() };
    }
    return std::nullopt;
}

std::optional<KXFilterCategoryTags> KXFilterCategories::tagsNamed(
    const foundation::Ref<foundation::Array>& dataArray, bool english, const std::string& wanted)
{
    const auto list = languageList(dataArray, english);
    if (!list)
        return std::nullopt;
    for (const Id& element : *list) {
        foundation::Ref<foundation::String> name;
        Id tags;
        if (categoryParts(element, name, tags) && name->utf8() == wanted)
            return KXFilterCategoryTags { name->utf8(), tags.as<foundation::Array>() };
    }
    return std::nullopt;
}

KXFilterCategory KXFilterCategories::read(const KXFilterCategoryTags& category)
{
    return makeCategory(foundation::String::create(category.name), category.tags ? Id(category.tags) : Id());
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
