#include "Platform/Runtime/KeyValueCoding.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/Set.h"
#include "Platform/Foundation/String.h"
#include "Platform/Runtime/Boxing.h"
#include "Platform/Runtime/PropertyAttributes.h"

#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace runtime {

using foundation::Array;
using foundation::Class;
using foundation::Dictionary;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::Object;
using foundation::PropertyInfo;
using foundation::Ref;

namespace {

struct HookTable {
    std::shared_mutex mutex;
    std::unordered_map<const Class*, KeyValueCodingHooks> hooks;
};

HookTable& hookTable()
{
    static HookTable table;
    return table;
}

// The nearest hook of one kind on the class chain, copied out so it runs without the lock.
template <class Member>
auto findHook(const Class* cls, Member member)
    -> std::remove_cvref_t<decltype(KeyValueCodingHooks {}.*member)>
{
    auto& table = hookTable();
    std::shared_lock lock(table.mutex);
    if (table.hooks.empty())
        return {};
    for (; cls; cls = cls->superclass()) {
        auto found = table.hooks.find(cls);
        if (found != table.hooks.end() && found->second.*member)
            return found->second.*member;
    }
    return {};
}

const PropertyInfo* findProperty(const Class* cls, std::string_view key, bool reading)
{
    if (const PropertyInfo* property = cls->propertyNamed(key))
        return property;
    for (const Class* c = cls; c; c = c->superclass()) {
        for (const auto& property : c->properties()) {
            if (reading && attributeValue(property.attributes, 'G') == key)
                return &property;
            if (attributeValue(property.attributes, 'V') == key)
                return &property;
        }
    }
    return nullptr;
}

std::string notCompliant(const Object& object, std::string_view method, std::string_view key)
{
    return "[" + receiverTag(object) + " " + std::string(method)
        + "]: this class is not key value coding-compliant for the key " + std::string(key) + ".";
}

Id valueForUndefinedKey(const Object& object, std::string_view key)
{
    if (auto hook = findHook(object.isa(), &KeyValueCodingHooks::valueForUndefinedKey))
        return hook(object, key);
    foundation::misuse(foundation::NSUnknownKeyException, notCompliant(object, "valueForUndefinedKey:", key),
                       foundation::MisuseDefault::ReturnNil);
    return {};
}

void setValueForUndefinedKey(Object& object, const Id& value, std::string_view key)
{
    if (auto hook = findHook(object.isa(), &KeyValueCodingHooks::setValueForUndefinedKey)) {
        hook(object, value, key);
        return;
    }
    foundation::misuse(
        foundation::NSUnknownKeyException, notCompliant(object, "setValue:forUndefinedKey:", key),
        foundation::MisuseDefault::Ignore);
}

void setNilValueForKey(Object& object, std::string_view key)
{
    if (auto hook = findHook(object.isa(), &KeyValueCodingHooks::setNilValueForKey)) {
        hook(object, key);
        return;
    }
    foundation::misuse(foundation::NSInvalidArgumentException,
        "[" + receiverTag(object) + " setNilValueForKey]: could not set nil as the value for the key "
            + std::string(key) + ".",
        foundation::MisuseDefault::Ignore);
}

Id nullForNil(const Id& value)
{
    return value ? value : Id(foundation::Null::null());
}

Id objectValueForKey(const Object& object, std::string_view key)
{
    if (const PropertyInfo* property = findProperty(object.isa(), key, true))
        return property->get(object);
    return valueForUndefinedKey(object, key);
}

} // namespace

Id valueForKey(const Id& object, std::string_view key)
{
    Object* receiver = object.get();
    if (!receiver)
        return {};
    if (const auto* dictionary = object.ptr<Dictionary>()) {
        if (!key.starts_with('@'))
            return dictionary->objectForKey(key);
        if (key == "@count")
            return Id(static_cast<unsigned long>(dictionary->count()));
        return valueForUndefinedKey(*receiver, key.substr(1));
    }
    if (const auto* array = object.ptr<Array>()) {
        if (key == "@count")
            return Id(static_cast<unsigned long>(array->count()));
        std::vector<Id> mapped;
        mapped.reserve(array->count());
        for (const Id& element : *array)
            mapped.push_back(nullForNil(valueForKey(element, key)));
        return Array::create(std::move(mapped));
    }
    if (const auto* set = object.ptr<foundation::Set>()) {
        if (key == "@count")
            return Id(static_cast<unsigned long>(set->count()));
        std::vector<Id> mapped;
        for (const Id& element : set->allObjects()->objects())
            mapped.push_back(nullForNil(valueForKey(element, key)));
        return foundation::Set::create(std::move(mapped));
    }
    return objectValueForKey(*receiver, key);
}

void setValueForKey(const Id& object, const Id& value, std::string_view key)
{
    Object* receiver = object.get();
    if (!receiver)
        return;
    if (auto* dictionary = object.ptr<MutableDictionary>()) {
        dictionary->setValue(value, key);
        return;
    }
    if (const auto* array = object.ptr<Array>()) {
        for (const Id& element : *array)
            setValueForKey(element, value, key);
        return;
    }
    if (const auto* set = object.ptr<foundation::Set>()) {
        for (const Id& element : set->allObjects()->objects())
            setValueForKey(element, value, key);
        return;
    }
    const PropertyInfo* property = findProperty(receiver->isa(), key, false);
    if (!property || property->readonly()) {
        setValueForUndefinedKey(*receiver, value, key);
        return;
    }
    if (!value && !isObjectEncoding(property->typeEncoding)) {
        setNilValueForKey(*receiver, key);
        return;
    }
    property->set(*receiver, value);
}

Id valueForKeyPath(const Id& object, std::string_view keyPath)
{
    std::size_t dot = keyPath.find('.');
    if (dot == std::string_view::npos)
        return valueForKey(object, keyPath);
    if (const auto* array = object.ptr<Array>()) {
        // Each element follows the whole path, so a missing step gives Null for that element only.
        std::vector<Id> mapped;
        mapped.reserve(array->count());
        for (const Id& element : *array)
            mapped.push_back(nullForNil(valueForKeyPath(element, keyPath)));
        return Array::create(std::move(mapped));
    }
    return valueForKeyPath(valueForKey(object, keyPath.substr(0, dot)), keyPath.substr(dot + 1));
}

void setValueForKeyPath(const Id& object, const Id& value, std::string_view keyPath)
{
    std::size_t dot = keyPath.find('.');
    if (dot == std::string_view::npos) {
        setValueForKey(object, value, keyPath);
        return;
    }
    setValueForKeyPath(valueForKey(object, keyPath.substr(0, dot)), value, keyPath.substr(dot + 1));
}

void setValuesForKeysWithDictionary(const Id& object, const Dictionary& keyedValues)
{
    for (const auto& entry : keyedValues) {
        const auto* key = entry.key.ptr<foundation::String>();
        if (!key) {
            foundation::misuse(foundation::NSInvalidArgumentException,
                "setValuesForKeysWithDictionary: key " + entry.key.description() + " is not a string.",
                foundation::MisuseDefault::Ignore);
            continue;
        }
        setValueForKey(object, entry.value.isNull() ? Id() : entry.value, key->utf8());
    }
}

Ref<Dictionary> dictionaryWithValuesForKeys(const Id& object, const Array& keys)
{
    auto result = MutableDictionary::create();
    for (const Id& key : keys) {
        std::string name = key.stringValue();
        result->setObject(nullForNil(valueForKey(object, name)), key);
    }
    return std::static_pointer_cast<Dictionary>(result->copy());
}

void setKeyValueCodingHooks(const Class* cls, KeyValueCodingHooks hooks)
{
    if (!cls)
        return;
    auto& table = hookTable();
    std::unique_lock lock(table.mutex);
    table.hooks[cls] = std::move(hooks);
}

} // namespace runtime
