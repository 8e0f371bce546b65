#include "Lib/ModelMapping/MMProperty.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/String.h"
#include "Platform/Runtime/KeyValueCoding.h"

namespace mm {

using foundation::Class;
using foundation::Id;

std::string typeCodeOfAttributes(std::string_view attributes)
{
    if (attributes.empty())
        return {};
    std::string_view rest = attributes.substr(1);
    return std::string(rest.substr(0, rest.find(',')));
}

std::shared_ptr<MMProperty> MMProperty::cachedPropertyWithProperty(const Class* declaringClass,
                                                                   const foundation::PropertyInfo& property)
{
    static std::mutex mutex;
    static std::map<std::pair<const Class*, std::string>, std::shared_ptr<MMProperty>> cache;
    std::lock_guard lock(mutex);
    auto key = std::make_pair(declaringClass, property.name);
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    auto wrapped = std::make_shared<MMProperty>(property);
    cache.emplace(std::move(key), wrapped);
    return wrapped;
}

MMProperty::MMProperty(const foundation::PropertyInfo& property)
    : property_(property)
    , name_(property.name)
    , type_(MMPropertyType::cachedTypeWithCode(typeCodeOfAttributes(property.attributes)))
{
}

const Class* MMProperty::srcClass() const
{
    std::lock_guard lock(mutex_);
    return srcClass_;
}

void MMProperty::setSrcClass(const Class* cls)
{
    std::lock_guard lock(mutex_);
    srcClass_ = cls;
}

Id MMProperty::valueForObject(const Id& object) const
{
    if (type_->isKVCDisabled())
        return foundation::Null::null();
    // The registered getter is what key-value coding would call for this name.
    if (property_.get && !object.isNil())
        return property_.get(*object.get());
    return runtime::valueForKey(object, name_);
}

void MMProperty::setValue(const Id& value, const Id& object) const
{
    if (value.isNil() || type_->isKVCDisabled() || object.isNil())
        return;
    // The registered setter unboxes as key-value coding does; a read-only property goes through
    // key-value coding itself, which reports it.
    if (property_.set)
        property_.set(*object.get(), value);
    else
        runtime::setValueForKey(object, value, name_);
}

void MMProperty::setOriginKey(const Id& key, const Class* cls)
{
    std::vector<MMKeyPath> keys;
    if (const auto* text = key.ptr<foundation::String>()) {
        MMKeyPath path = propertyKeysWithStringKey(text->utf8());
        if (!path.empty())
            keys.push_back(std::move(path));
    } else if (const auto* alternatives = key.ptr<foundation::Array>()) {
        for (const Id& element : *alternatives) {
            // Only strings name key paths; anything else in the list is passed over.
            if (!element.is<foundation::String>())
                continue;
            MMKeyPath path = propertyKeysWithStringKey(element.stringValue());
            if (!path.empty())
                keys.push_back(std::move(path));
        }
    }
    // A new listing replaces what an earlier one recorded, also when it finds no key at all, so a
    // key changed to nothing does not leave the old path in force.
    std::lock_guard lock(mutex_);
    propertyKeysDict_.erase(cls->name());
    if (!keys.empty())
        propertyKeysDict_[cls->name()] = std::make_shared<const std::vector<MMKeyPath>>(std::move(keys));
}

void MMProperty::setPorpertyKeys(std::vector<MMKeyPath> keys, const Class* cls)
{
    if (keys.empty())
        return;
    std::lock_guard lock(mutex_);
    propertyKeysDict_[cls->name()] = std::make_shared<const std::vector<MMKeyPath>>(std::move(keys));
}

std::shared_ptr<const std::vector<MMKeyPath>> MMProperty::propertyKeysForClass(const Class* cls) const
{
    static const auto none = std::make_shared<const std::vector<MMKeyPath>>();
    std::lock_guard lock(mutex_);
    auto found = propertyKeysDict_.find(cls->name());
    return found == propertyKeysDict_.end() ? none : found->second;
}

void MMProperty::setObjectClassInArray(const Class* elementClass, const Class* cls)
{
    std::lock_guard lock(mutex_);
    // As with the keys, a new listing that finds no element class clears the old one.
    objectClassInArrayDict_.erase(cls->name());
    if (elementClass)
        objectClassInArrayDict_[cls->name()] = elementClass;
}

const Class* MMProperty::objectClassInArrayForClass(const Class* cls) const
{
    std::lock_guard lock(mutex_);
    auto found = objectClassInArrayDict_.find(cls->name());
    return found == objectClassInArrayDict_.end() ? nullptr : found->second;
}

} // namespace mm
