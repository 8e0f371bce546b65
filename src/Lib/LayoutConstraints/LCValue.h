#pragma once

#include "Lib/LayoutConstraints/LCViewAttribute.h"
#include "Platform/AutoLayout/Geometry.h"
#include "Platform/AutoLayout/View.h"

#include <memory>
#include <type_traits>
#include <variant>
#include <vector>

using LCPoint = autolayout::Point;
using LCSize = autolayout::Size;
using LCEdgeInsets = autolayout::EdgeInsets;

// A boxed number that remembers the type it was made from, as the layout chains receive it.
class LCNumber {
public:
    using Storage = std::variant<signed char, int, short, long long, bool, unsigned char, unsigned int,
        unsigned long long, unsigned short, float, double>;

    template <class T>
    explicit LCNumber(T value)
        : value_(value)
    {
    }

    const Storage& storage() const { return value_; }
    double doubleValue() const;
    // The type encoding character of the kind it holds ('i', 'd', 'f', ...).
    char objCType() const;
    friend bool operator==(const LCNumber& a, const LCNumber& b) { return a.doubleValue() == b.doubleValue(); }

private:
    Storage value_;
};

// What a chain step accepts where the original took an object: nothing (nil), a view, a view
// attribute, a boxed number, point, size or edge insets, or an array of these.
class LCValue {
public:
    using Array = std::vector<LCValue>;

    LCValue() = default;
    LCValue(autolayout::View* view);
    LCValue(autolayout::View& view)
        : LCValue(&view)
    {
    }
    template <class V>
        requires std::is_base_of_v<autolayout::View, V>
    LCValue(const std::shared_ptr<V>& view)
        : value_(std::shared_ptr<autolayout::View>(view))
    {
    }
    LCValue(const LCViewAttribute& attribute)
        : value_(attribute)
    {
    }
    LCValue(const LCNumber& number)
        : value_(number)
    {
    }
    LCValue(const LCPoint& point)
        : value_(point)
    {
    }
    LCValue(const LCSize& size)
        : value_(size)
    {
    }
    LCValue(const LCEdgeInsets& insets)
        : value_(insets)
    {
    }
    LCValue(Array array)
        : value_(std::move(array))
    {
    }
    // A plain number boxes as its own type would.
    template <class T>
        requires std::is_arithmetic_v<T>
    LCValue(T number)
        : value_(LCNumber(number))
    {
    }

    bool isNil() const { return std::holds_alternative<std::monostate>(value_); }
    autolayout::View* view() const;
    const LCViewAttribute* viewAttribute() const { return std::get_if<LCViewAttribute>(&value_); }
    const LCNumber* number() const { return std::get_if<LCNumber>(&value_); }
    const LCPoint* point() const { return std::get_if<LCPoint>(&value_); }
    const LCSize* size() const { return std::get_if<LCSize>(&value_); }
    const LCEdgeInsets* insets() const { return std::get_if<LCEdgeInsets>(&value_); }
    const Array* array() const { return std::get_if<Array>(&value_); }
    // A number, point, size or edge insets: what the platform keeps in a value object.
    bool isValue() const { return number() || point() || size() || insets(); }

private:
    std::variant<std::monostate, std::shared_ptr<autolayout::View>, LCViewAttribute, LCNumber, LCPoint, LCSize,
        LCEdgeInsets, Array>
        value_;
};

// The argument of LCBoxedValue: an object or a value of one of the encodable types.
using LCBoxArgument = std::variant<LCValue, LCPoint, LCSize, LCEdgeInsets, double, float, int, long long, short,
    signed char, bool, unsigned char, unsigned int, unsigned long long, unsigned short>;

// Boxes `argument` as `encoding` names it. The encodings are matched exactly: "@" (an object),
// "{CGPoint=dd}", "{CGSize=dd}", "{NSEdgeInsets=dddd}", then the numbers "d", "f", "i", "q",
// "s", "c", "B", "C", "I", "Q", "S", each converting the argument to its own type. Any other
// encoding, or an argument of the wrong shape for a structure or object, gives nil.
LCValue LCBoxedValue(const char* encoding, const LCBoxArgument& argument);

template <class T>
struct LCTypeEncoding;
// clang-format off
template <> struct LCTypeEncoding<double> { static constexpr const char* value = "d"; };
template <> struct LCTypeEncoding<float> { static constexpr const char* value = "f"; };
template <> struct LCTypeEncoding<int> { static constexpr const char* value = "i"; };
template <> struct LCTypeEncoding<long> { static constexpr const char* value = "q"; };
template <> struct LCTypeEncoding<long long> { static constexpr const char* value = "q"; };
template <> struct LCTypeEncoding<short> { static constexpr const char* value = "s"; };
template <> struct LCTypeEncoding<char> { static constexpr const char* value = "c"; };
template <> struct LCTypeEncoding<signed char> { static constexpr const char* value = "c"; };
template <> struct LCTypeEncoding<bool> { static constexpr const char* value = "B"; };
template <> struct LCTypeEncoding<unsigned char> { static constexpr const char* value = "C"; };
template <> struct LCTypeEncoding<unsigned int> { static constexpr const char* value = "I"; };
template <> struct LCTypeEncoding<unsigned long> { static constexpr const char* value = "Q"; };
template <> struct LCTypeEncoding<unsigned long long> { static constexpr const char* value = "Q"; };
template <> struct LCTypeEncoding<unsigned short> { static constexpr const char* value = "S"; };
template <> struct LCTypeEncoding<LCPoint> { static constexpr const char* value = "{CGPoint=dd}"; };
template <> struct LCTypeEncoding<LCSize> { static constexpr const char* value = "{CGSize=dd}"; };
template <> struct LCTypeEncoding<LCEdgeInsets> { static constexpr const char* value = "{NSEdgeInsets=dddd}"; };
// clang-format on

// Boxes a value with the encoding of its own type, the way the callers use LCBoxedValue.
template <class T>
LCValue LCBoxedValue(const T& value)
{
    if constexpr (std::is_same_v<T, long>)
        return LCBoxedValue(LCTypeEncoding<T>::value, LCBoxArgument(static_cast<long long>(value)));
    else if constexpr (std::is_same_v<T, unsigned long>)
        return LCBoxedValue(LCTypeEncoding<T>::value, LCBoxArgument(static_cast<unsigned long long>(value)));
    else if constexpr (std::is_same_v<T, char>)
        return LCBoxedValue(LCTypeEncoding<T>::value, LCBoxArgument(static_cast<signed char>(value)));
    else
        return LCBoxedValue(LCTypeEncoding<T>::value, LCBoxArgument(value));
}
