#include "Platform/Runtime/Boxing.h"

#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"

#include <cstdio>

namespace runtime {

using foundation::Id;
using foundation::Number;
using foundation::String;

std::string receiverTag(const foundation::Object& object)
{
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&object));
    return "<" + object.isa()->name() + " " + address + ">";
}

std::optional<long long> unboxSigned(const Id& value, std::string_view selector)
{
    if (const auto* number = value.ptr<Number>())
        return number->longLongValue();
    if (const auto* string = value.ptr<String>())
        return string->integerValue();
    if (value)
        foundation::unrecognizedSelector(*value.get(), selector);
    return std::nullopt;
}

std::optional<unsigned long long> unboxUnsigned(const Id& value, std::string_view selector)
{
    if (const auto* number = value.ptr<Number>())
        return number->unsignedLongLongValue();
    if (const auto* string = value.ptr<String>())
        return static_cast<unsigned long long>(string->integerValue());
    if (value)
        foundation::unrecognizedSelector(*value.get(), selector);
    return std::nullopt;
}

std::optional<double> unboxReal(const Id& value, std::string_view selector)
{
    if (const auto* number = value.ptr<Number>())
        return number->doubleValue();
    if (const auto* string = value.ptr<String>())
        return string->doubleValue();
    if (value)
        foundation::unrecognizedSelector(*value.get(), selector);
    return std::nullopt;
}

std::optional<bool> unboxBool(const Id& value)
{
    if (const auto* number = value.ptr<Number>())
        return number->boolValue();
    if (const auto* string = value.ptr<String>())
        return string->boolValue();
    if (value)
        foundation::unrecognizedSelector(*value.get(), "charValue");
    return std::nullopt;
}

void reportWrongClass(const Id& value, std::string_view expectedClass, std::string_view key)
{
    foundation::misuse(foundation::NSInvalidArgumentException,
        "value of class " + value.get()->isa()->name() + " cannot be stored as " + std::string(expectedClass)
            + " for the key " + std::string(key) + ".",
        foundation::MisuseDefault::Ignore);
}

} // namespace runtime
