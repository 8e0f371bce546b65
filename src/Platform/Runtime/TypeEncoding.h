#pragma once

#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Runtime/BlockObject.h"
#include "Platform/Runtime/Boxing.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace runtime {

// How a C++ member type looks to the runtime: its type encoding, whether it is an object, and how
// its values are boxed for key-value coding and unboxed again. The platform's BOOL is a signed
// char, so `bool` encodes as "c" and boxes as a char number (1 or 0), exactly like the platform's
// key-value coding boxes a BOOL property.
template <class T> struct ValueTraits;

namespace detail {

// A scalar's type code, and the accessor the platform sends a value to get that scalar out.
struct ScalarDescription {
    char code;
    std::string_view selector;
};

template <class T> constexpr ScalarDescription describeScalar()
{
    if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, char> || std::is_same_v<T, signed char>)
        return { 'c', "charValue" };
    else if constexpr (std::is_same_v<T, unsigned char>)
        return { 'C', "unsignedCharValue" };
    else if constexpr (std::is_same_v<T, short>)
        return { 's', "shortValue" };
    else if constexpr (std::is_same_v<T, unsigned short>)
        return { 'S', "unsignedShortValue" };
    else if constexpr (std::is_same_v<T, int>)
        return { 'i', "intValue" };
    else if constexpr (std::is_same_v<T, unsigned int>)
        return { 'I', "unsignedIntValue" };
    else if constexpr (std::is_same_v<T, long> || std::is_same_v<T, long long>)
        return { 'q', "longLongValue" }; // a 64-bit long encodes as the platform's NSInteger
    else if constexpr (std::is_same_v<T, unsigned long> || std::is_same_v<T, unsigned long long>)
        return { 'Q', "unsignedLongLongValue" };
    else if constexpr (std::is_same_v<T, float>)
        return { 'f', "floatValue" };
    else
        return { 'd', "doubleValue" };
}

} // namespace detail

template <foundation::Arithmetic T> struct ValueTraits<T> {
    static constexpr bool isObject = false;
    static std::string encoding(std::string_view /*className*/)
    {
        return std::string(1, detail::describeScalar<T>().code);
    }
    static foundation::Id box(T value)
    {
        if constexpr (std::is_same_v<T, bool>)
            return foundation::Number::numberWithChar(value ? 1 : 0);
        else
            return foundation::Id(value);
    }
    static std::optional<T> unbox(const foundation::Id& value, std::string_view /*key*/)
    {
        if constexpr (std::is_same_v<T, bool>) {
            return unboxBool(value);
        } else if constexpr (std::is_floating_point_v<T>) {
            auto real = unboxReal(value, detail::describeScalar<T>().selector);
            return real ? std::optional<T>(static_cast<T>(*real)) : std::nullopt;
        } else if constexpr (std::is_unsigned_v<T>) {
            auto integer = unboxUnsigned(value, detail::describeScalar<T>().selector);
            return integer ? std::optional<T>(static_cast<T>(*integer)) : std::nullopt;
        } else {
            auto integer = unboxSigned(value, detail::describeScalar<T>().selector);
            return integer ? std::optional<T>(static_cast<T>(*integer)) : std::nullopt;
        }
    }
};

// An untyped object ("@"): takes any value.
template <> struct ValueTraits<foundation::Id> {
    static constexpr bool isObject = true;
    static std::string encoding(std::string_view /*className*/) { return "@"; }
    static foundation::Id box(const foundation::Id& value) { return value; }
    static std::optional<foundation::Id> unbox(const foundation::Id& value, std::string_view /*key*/)
    {
        return value;
    }
};

// A typed object: "@\"ClassName\"", or "@" for the root class. The class name comes from the
// caller when the type cannot be asked yet (a class that refers to itself while it registers).
template <foundation::ObjectType U> struct ValueTraits<std::shared_ptr<U>> {
    static constexpr bool isObject = true;
    static std::string encoding(std::string_view className)
    {
        if constexpr (std::is_same_v<U, foundation::Object>)
            return "@";
        else if (!className.empty())
            return "@\"" + std::string(className) + "\"";
        else
            return "@\"" + U::classObject()->name() + "\"";
    }
    static foundation::Id box(const std::shared_ptr<U>& value) { return foundation::Id(value); }
    static std::optional<std::shared_ptr<U>> unbox(const foundation::Id& value, std::string_view key)
    {
        if (!value)
            return std::shared_ptr<U>();
        if (auto typed = value.as<U>())
            return typed;
        if constexpr (std::is_same_v<U, foundation::Object>)
            return value.ref();
        else
            reportWrongClass(value, U::classObject()->name(), key);
        return std::nullopt;
    }
};

// A weak reference ("W"): boxes what is still alive.
template <foundation::ObjectType U> struct ValueTraits<std::weak_ptr<U>> {
    static constexpr bool isObject = true;
    static std::string encoding(std::string_view className)
    {
        return ValueTraits<std::shared_ptr<U>>::encoding(className);
    }
    static foundation::Id box(const std::weak_ptr<U>& value) { return foundation::Id(value.lock()); }
    static std::optional<std::weak_ptr<U>> unbox(const foundation::Id& value, std::string_view key)
    {
        auto strong = ValueTraits<std::shared_ptr<U>>::unbox(value, key);
        return strong ? std::optional<std::weak_ptr<U>>(*strong) : std::nullopt;
    }
};

// A block ("@?").
template <class Signature> struct ValueTraits<std::function<Signature>> {
    static constexpr bool isObject = true;
    static std::string encoding(std::string_view /*className*/) { return "@?"; }
    static foundation::Id box(const std::function<Signature>& block)
    {
        if (!block)
            return {};
        return foundation::Id(std::make_shared<BlockObject<Signature>>(block));
    }
    static std::optional<std::function<Signature>> unbox(const foundation::Id& value, std::string_view key)
    {
        if (!value)
            return std::function<Signature>();
        if (const auto* boxed = value.ptr<BlockObject<Signature>>())
            return boxed->block();
        reportWrongClass(value, blockClass()->name(), key);
        return std::nullopt;
    }
};

} // namespace runtime
