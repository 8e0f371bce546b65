#include "Class/SearchFilter/Core/KXFilterCategories.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

using foundation::Id;

std::vector<KXFilterCategory> KXFilterCategories::of(const foundation::Ref<foundation::Array>& dataArray, bool english)
{
    std::vector<KXFilterCategory> categories;
    const std::size_t language = english ? 0 : 1;
    if (!dataArray || dataArray->count() <= language)
        return categories;
    const auto list = dataArray->objectAtIndex(language).as<foundation::Array>();
    if (!list)
        return categories;
    for (const Id& element : *list) {
        const auto wrapper = element.as<foundation::Dictionary>();
        if (!wrapper || wrapper->count() != 1)
            continue;
        const Id key = wrapper->allKeys()->objectAtIndex(0);
        const auto name = key.as<foundation::String>();
        if (!name)
            continue;
        KXFilterCategory category{name->utf8(), {}};
        if (const auto tags = wrapper->objectForKey(key).as<foundation::Array>())
            for (const Id& tag : *tags)
                if (const auto model = tag.as<KXHomeListFilterModel>())
                    category.tags.push_back(model);
        categories.push_back(std::move(category));
    }
    return categories;
}

const KXFilterCategory* KXFilterCategories::atPosition(const std::vector<KXFilterCategory>& categories, std::size_t position)
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
