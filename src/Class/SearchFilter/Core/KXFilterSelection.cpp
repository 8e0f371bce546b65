#include "Class/SearchFilter/Core/KXFilterSelection.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Foundation/String.h"

using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;
using foundation::Ref;

KXFilterSelection::KXFilterSelection(KXGlobalDataBase* global)
    : global_(global)
{
}

KXGlobalDataBase& KXFilterSelection::global()
{
    return global_ ? *global_ : KXGlobalDataBase::sharedKXGlobalDataBase();
}

const Ref<MutableDictionary>& KXFilterSelection::tagsDD()
{
    if (!tagsDD_) {
        const auto stored = global().filterD();
        tagsDD_ = stored && stored->count() > 0 ? stored : MutableDictionary::create();
    }
    return tagsDD_;
}

void KXFilterSelection::toggle(std::string_view category, std::string_view value)
{
    const auto& selection = tagsDD();
    const Id key(category);
    const Id entry(value);
    const auto stored = selection->objectForKey(category).as<foundation::Array>();
    if (!stored) {
        selection->setObject(Id(MutableArray::create({entry})), key);
        return;
    }
    // The array stays the one stored (others may hold it) unless it cannot change.
    auto values = std::dynamic_pointer_cast<MutableArray>(stored);
    if (!values)
        values = MutableArray::create(stored->objects());
    if (values->containsObject(entry)) {
        values->removeObject(entry);
    } else {
        values->addObject(entry);
    }
    if (values->count() == 0)
        selection->removeObjectForKey(key);
    else
        selection->setObject(Id(values), key);
}

void KXFilterSelection::toggle(const Ref<foundation::Dictionary>& request)
{
    if (!request || request->count() != 1)
        return;
    const Id key = request->allKeys()->objectAtIndex(0);
    const auto category = key.as<foundation::String>();
    const auto value = request->objectForKey(key).as<foundation::String>();
    if (category && value)
        toggle(category->utf8(), value->utf8());
}

bool KXFilterSelection::isSelected(std::string_view category, std::string_view value)
{
    const auto values = tagsDD()->objectForKey(category).as<foundation::Array>();
    return values && values->containsObject(Id(value));
}

std::vector<std::string> KXFilterSelection::values(std::string_view category)
{
    std::vector<std::string> texts;
    if (const auto values = tagsDD()->objectForKey(category).as<foundation::Array>())
        for (const Id& value : *values)
            texts.push_back(value.stringValue());
    return texts;
}

void KXFilterSelection::setValues(std::string_view category, const std::vector<std::string>& values)
{
    auto array = MutableArray::create();
    for (const auto& value : values)
        if (!array->containsObject(Id(value)))
            array->addObject(Id(value));
    if (array->count() == 0)
        tagsDD()->removeObjectForKey(Id(category));
    else
        tagsDD()->setObject(Id(array), Id(category));
}

bool KXFilterSelection::removeCategory(std::string_view category)
{
    const auto& selection = tagsDD();
    if (selection->objectForKey(category).isNil())
        return false;
    selection->removeObjectForKey(Id(category));
    return true;
}

void KXFilterSelection::storeAlways()
{
    global().setFilterD(tagsDD());
}

void KXFilterSelection::storeIfAny()
{
    if (tagsDD()->count() > 0)
        global().setFilterD(tagsDD());
}

void KXFilterSelection::resetBoth()
{
    tagsDD_ = MutableDictionary::create();
    global().setFilterD(MutableDictionary::create());
}
