#include "Platform/Foundation/Class.h"

#include "Platform/Foundation/Object.h"

#include <atomic>
#include <map>
#include <mutex>

namespace foundation {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<Class>, std::less<>> classes;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

std::atomic<unsigned long long> propertyGeneration{0};

} // namespace

Class::Class(std::string name, const Class* superclass, Factory factory)
    : name_(std::move(name))
    , superclass_(superclass)
    , factory_(std::move(factory))
{
}

Class& Class::define(std::string name, const Class* superclass, Factory factory)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.classes.find(name);
    if (found != reg.classes.end())
        return *found->second;
    auto cls = std::make_unique<Class>(name, superclass, std::move(factory));
    Class& result = *cls;
    reg.classes.emplace(std::move(name), std::move(cls));
    return result;
}

const Class& Class::define(std::unique_ptr<Class> cls)
{
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.classes.find(cls->name());
    if (found != reg.classes.end())
        return *found->second;
    propertyGeneration.fetch_add(1, std::memory_order_release);
    const Class& result = *cls;
    std::string name = cls->name();
    reg.classes.emplace(std::move(name), std::move(cls));
    return result;
}

const Class* Class::named(std::string_view name)
{
    // The object model's own classes register on first use; make sure a lookup by name finds them.
    static std::once_flag builtins;
    std::call_once(builtins, registerFoundationClasses);
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto found = reg.classes.find(name);
    return found == reg.classes.end() ? nullptr : found->second.get();
}

bool Class::isSubclassOfClass(const Class* other) const
{
    for (const Class* cls = this; cls; cls = cls->superclass_)
        if (cls == other)
            return true;
    return false;
}

Ref<Object> Class::createInstance() const
{
    return factory_ ? factory_() : nullptr;
}

const PropertyInfo* Class::propertyNamed(std::string_view name) const
{
    for (const Class* cls = this; cls; cls = cls->superclass_)
        for (const auto& property : cls->properties_)
            if (property.name == name)
                return &property;
    return nullptr;
}

Class& Class::addProperty(PropertyInfo property)
{
    // Properties are added while a class is set up, before instances are shared between threads.
    properties_.push_back(std::move(property));
    propertyGeneration.fetch_add(1, std::memory_order_release);
    return *this;
}

Class& Class::setImageFactory(ImageFactory factory)
{
    imageFactory_ = std::move(factory);
    return *this;
}

unsigned long long Class::generation()
{
    return propertyGeneration.load(std::memory_order_acquire);
}

} // namespace foundation
