#include "Lib/ModelMapping/MMPropertyReflection.h"

#include "Lib/ModelMapping/MMFoundation.h"
#include "Platform/Foundation/String.h"

#include <map>
#include <mutex>

namespace mm {

using foundation::Class;
using foundation::Id;
using foundation::Ref;

namespace {

struct ListCache {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<const MMPropertyList>, std::less<>> lists;
};

ListCache& listCache()
{
    static ListCache cache;
    return cache;
}

} // namespace

void clearPropertyListCache()
{
    {
        auto& cache = listCache();
        std::lock_guard lock(cache.mutex);
        cache.lists.clear();
    }
    mm_configurationChanged();
}

std::shared_ptr<const MMPropertyList> properties(const Class* cls)
{
    auto& cache = listCache();
    {
        std::lock_guard lock(cache.mutex);
        auto found = cache.lists.find(cls->name());
        if (found != cache.lists.end())
            return found->second;
    }
    auto list = std::make_shared<MMPropertyList>();
    mm_enumerateClasses(cls, [&](const Class* c, bool&) {
        for (const auto& descriptor : c->properties()) {
            auto property = MMProperty::cachedPropertyWithProperty(c, descriptor);
            if (MMFoundation::isClassFromFoundation(property->srcClass()))
                continue;
            property->setSrcClass(c);
            property->setOriginKey(propertyKey(cls, property->name()), cls);
            property->setObjectClassInArray(propertyObjectClassInArray(cls, property->name()), cls);
            list->push_back(std::move(property));
        }
    });
    std::lock_guard lock(cache.mutex);
    // Two threads may have built the list at once; both are equal, the first one stored wins.
    auto [entry, inserted] = cache.lists.emplace(cls->name(), std::move(list));
    return entry->second;
}

void mm_enumerateProperties(const Class* cls, const std::function<void(const MMProperty&, bool&)>& block)
{
    bool stop = false;
    for (const auto& property : *properties(cls)) {
        block(*property, stop);
        if (stop)
            break;
    }
}

Id propertyKey(const Class* cls, const std::string& propertyName)
{
    Id name(propertyName);
    Id key;
    if (auto hook = mm_hook(cls, &MMKeyValueHooks::mm_replacedKeyFromPropertyName121))
        key = hook(propertyName);
    if (auto hook = mm_hook(cls, &MMKeyValueHooks::replacedKeyFromPropertyName121))
        key = hook(propertyName);
    if (key.isNil()) {
        mm_enumerateAllClasses(cls, [&](const Class* c, bool& stop) {
            if (auto function = classReplacedKeyFunction(c)) {
                key = function(propertyName);
                stop = !key.isNil();
            }
        });
    }
    auto unreplaced = [&] { return key.isNil() || key.isEqual(name); };
    if (unreplaced())
        if (auto hook = mm_hook(cls, &MMKeyValueHooks::mm_replacedKeyFromPropertyName))
            key = Id(hook())[propertyName];
    if (unreplaced())
        if (auto hook = mm_hook(cls, &MMKeyValueHooks::replacedKeyFromPropertyName))
            key = Id(hook())[propertyName];
    if (unreplaced()) {
        mm_enumerateAllClasses(cls, [&](const Class* c, bool& stop) {
            Id table = classSetting(c, MMSettingKind::ReplacedKeyFromPropertyName);
            if (table.isNil())
                return;
            key = table[propertyName];
            stop = !unreplaced();
        });
    }
    return key.isNil() ? name : key;
}

const Class* propertyObjectClassInArray(const Class* cls, const std::string& propertyName)
{
    Id element;
    if (auto hook = mm_hook(cls, &MMKeyValueHooks::mm_objectClassInArray))
        element = Id(hook())[propertyName];
    if (auto hook = mm_hook(cls, &MMKeyValueHooks::objectClassInArray))
        element = Id(hook())[propertyName];
    if (element.isNil()) {
        mm_enumerateAllClasses(cls, [&](const Class* c, bool& stop) {
            Id table = classSetting(c, MMSettingKind::ObjectClassInArray);
            if (table.isNil())
                return;
            element = table[propertyName];
            stop = !element.isNil();
        });
    }
    // Classes are named by their name: the registry answers the class.
    if (element.is<foundation::String>())
        return Class::named(element.stringValue());
    return nullptr;
}

void mm_setupReplacedKeyFromPropertyName(const Class* cls, const std::function<Ref<foundation::Dictionary>()>& block)
{
    std::function<Id()> wrapped;
    if (block)
        wrapped = [&block] { return Id(block()); };
    mm_setupBlockReturnValue(cls, wrapped, MMSettingKind::ReplacedKeyFromPropertyName);
}

void mm_setupReplacedKeyFromPropertyName121(const Class* cls, MMKeyValueHooks::KeyForName block)
{
    setClassReplacedKeyFunction(cls, std::move(block));
}

void mm_setupObjectClassInArray(const Class* cls, const std::function<Ref<foundation::Dictionary>()>& block)
{
    std::function<Id()> wrapped;
    if (block)
        wrapped = [&block] { return Id(block()); };
    mm_setupBlockReturnValue(cls, wrapped, MMSettingKind::ObjectClassInArray);
}

void mm_setupNewValueFromOldValue(const Class* cls, MMKeyValueHooks::NewValue block)
{
    setClassNewValueFunction(cls, std::move(block));
}

MMKeyValueHooks::NewValue mm_newValueFunction(const Class* cls, const Class* objectClass)
{
    if (auto hook = mm_hook(objectClass, &MMKeyValueHooks::mm_newValueFromOldValue))
        return hook;
    if (auto hook = mm_hook(cls, &MMKeyValueHooks::newValueFromOldValue))
        return hook;
    for (const Class* c = cls; c; c = c->superclass())
        if (auto function = classNewValueFunction(c))
            return function;
    return {};
}

Id mm_getNewValueFromObject(const Class* cls, const Id& object, const Id& oldValue, const MMProperty& property)
{
    auto function = mm_newValueFunction(cls, object.isNil() ? cls : object.get()->isa());
    return function ? function(object, oldValue, property) : oldValue;
}

} // namespace mm
