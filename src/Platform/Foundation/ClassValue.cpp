#include "Platform/Foundation/ClassValue.h"

#include <functional>

namespace foundation {

const Class* ClassValue::classObject()
{
    static const Class* cls = &Class::define("ClassValue", Object::classObject());
    return cls;
}

const Class* ClassValue::isa() const
{
    return classObject();
}

Ref<ClassValue> ClassValue::create(const Class* value)
{
    return value ? std::make_shared<ClassValue>(value) : nullptr;
}

const Class* ClassValue::classFrom(const Id& object)
{
    const auto* held = object.ptr<ClassValue>();
    return held ? held->value_ : nullptr;
}

std::string ClassValue::description() const
{
    return value_->name();
}

bool ClassValue::isEqual(const Object& other) const
{
    const auto* that = dynamic_cast<const ClassValue*>(&other);
    return that && that->value_ == value_;
}

std::size_t ClassValue::hash() const
{
    return std::hash<const Class*>()(value_);
}

} // namespace foundation
