#include "Platform/Foundation/Object.h"

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/ExceptionObject.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/Set.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

#include <cstdio>
#include <functional>

namespace foundation {

const Class* Object::classObject()
{
    static const Class* cls = &Class::define("NSObject", nullptr, [] { return Ref<Object>(new Object()); });
    return cls;
}

const Class* Object::isa() const
{
    return classObject();
}

std::string Object::description() const
{
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return "<" + isa()->name() + ": " + address + ">";
}

std::string Object::descriptionWithIndent(int /*level*/) const
{
    return quotedDescription(description());
}

std::size_t Object::hash() const
{
    return std::hash<const void*>{}(this);
}

Ref<Object> Object::copy() const
{
    return std::const_pointer_cast<Object>(shared_from_this());
}

Ref<Object> Object::mutableCopy() const
{
    return copy();
}

void registerFoundationClasses()
{
    for (const Class* cls : {Object::classObject(), String::classObject(), MutableString::classObject(),
                             Number::classObject(), DecimalNumber::classObject(), Null::classObject(),
                             Data::classObject(), MutableData::classObject(), Date::classObject(),
                             Array::classObject(), MutableArray::classObject(), Dictionary::classObject(),
                             MutableDictionary::classObject(), Set::classObject(), MutableSet::classObject(),
                             Error::classObject(), ExceptionObject::classObject(), URL::classObject()})
        (void)cls;
}

// Id

Id::Id(const char* utf8)
    : object_(utf8 ? String::create(utf8) : nullptr)
{
}

Id::Id(const std::string& utf8)
    : object_(String::create(utf8))
{
}

Id::Id(std::string_view utf8)
    : object_(String::create(utf8))
{
}

Ref<Object> Id::makeNumber(long long value, int kind)
{
    return Number::make(value, static_cast<NumberKind>(kind));
}

Ref<Object> Id::makeUnsigned(unsigned long long value, int kind)
{
    return Number::makeUnsigned(value, static_cast<NumberKind>(kind));
}

Ref<Object> Id::makeReal(double value, int kind)
{
    return Number::makeReal(value, static_cast<NumberKind>(kind));
}

Ref<Object> Id::makeBool(bool value)
{
    return Number::numberWithBool(value);
}

bool Id::isNull() const
{
    return dynamic_cast<const Null*>(object_.get()) != nullptr;
}

Id Id::operator[](std::string_view key) const
{
    if (const auto* dictionary = dynamic_cast<const Dictionary*>(object_.get()))
        return dictionary->objectForKey(key);
    return {};
}

Id Id::operator[](const Id& key) const
{
    if (const auto* dictionary = dynamic_cast<const Dictionary*>(object_.get()))
        return dictionary->objectForKey(key);
    return {};
}

Id Id::operator[](std::size_t index) const
{
    if (const auto* array = dynamic_cast<const Array*>(object_.get()))
        return index < array->count() ? array->objects()[index] : Id();
    return {};
}

Id Id::operator[](int index) const
{
    return index < 0 ? Id() : (*this)[static_cast<std::size_t>(index)];
}

long long Id::integerValue() const
{
    if (const auto* number = dynamic_cast<const Number*>(object_.get()))
        return number->longLongValue();
    if (const auto* string = dynamic_cast<const String*>(object_.get()))
        return string->integerValue();
    return 0;
}

int Id::intValue() const
{
    if (const auto* number = dynamic_cast<const Number*>(object_.get()))
        return number->intValue();
    if (const auto* string = dynamic_cast<const String*>(object_.get()))
        return string->intValue();
    return 0;
}

unsigned long long Id::unsignedLongLongValue() const
{
    if (const auto* number = dynamic_cast<const Number*>(object_.get()))
        return number->unsignedLongLongValue();
    if (const auto* string = dynamic_cast<const String*>(object_.get()))
        return static_cast<unsigned long long>(string->integerValue());
    return 0;
}

double Id::doubleValue() const
{
    if (const auto* number = dynamic_cast<const Number*>(object_.get()))
        return number->doubleValue();
    if (const auto* string = dynamic_cast<const String*>(object_.get()))
        return string->doubleValue();
    return 0;
}

float Id::floatValue() const
{
    return static_cast<float>(doubleValue());
}

bool Id::boolValue() const
{
    if (const auto* number = dynamic_cast<const Number*>(object_.get()))
        return number->boolValue();
    if (const auto* string = dynamic_cast<const String*>(object_.get()))
        return string->boolValue();
    return false;
}

std::string Id::stringValue() const
{
    if (const auto* string = dynamic_cast<const String*>(object_.get()))
        return string->utf8();
    if (const auto* number = dynamic_cast<const Number*>(object_.get()))
        return number->description();
    return {};
}

Ref<String> Id::string() const
{
    return as<String>();
}

Ref<Dictionary> Id::dictionary() const
{
    return as<Dictionary>();
}

Ref<Array> Id::array() const
{
    return as<Array>();
}

Ref<Number> Id::number() const
{
    return as<Number>();
}

std::size_t Id::count() const
{
    if (const auto* array = dynamic_cast<const Array*>(object_.get()))
        return array->count();
    if (const auto* dictionary = dynamic_cast<const Dictionary*>(object_.get()))
        return dictionary->count();
    if (const auto* string = dynamic_cast<const String*>(object_.get()))
        return string->length();
    return 0;
}

std::string Id::description() const
{
    return object_ ? object_->description() : std::string("(null)");
}

bool Id::isEqual(const Id& other) const
{
    if (object_ == other.object_)
        return true;
    if (!object_ || !other.object_)
        return false;
    return object_->isEqual(*other.object_);
}

} // namespace foundation
